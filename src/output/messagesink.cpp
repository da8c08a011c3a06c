#include "output/messagesink.h"

#include <QApplication>
#include <QMessageBox>

namespace output {

QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtMessageSink::beep() {
    QApplication::beep();
}

void QtMessageSink::warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

void QtMessageSink::information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, displayText(text), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace output
