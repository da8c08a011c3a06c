#include "output/messagesink.h"

#include <QApplication>
#include <QMessageBox>

namespace output {

QString DisplayText(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void QtMessageSink::Beep() {
    QApplication::beep();
}

void QtMessageSink::Warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Warning, title, DisplayText(text), QMessageBox::Ok, parent);
    box.exec();
}

void QtMessageSink::Information(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Information, title, DisplayText(text), QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace output
