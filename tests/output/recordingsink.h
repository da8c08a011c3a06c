#pragma once
// Captures beeps and message boxes instead of showing them.

#include <QList>
#include <QString>

#include "output/messagesink.h"

struct RecordedMessage {
    QString icon;  // "warning" or "information"
    QString title;
    QString text;
};

class RecordingSink : public output::MessageSink {
  public:
    int beeps = 0;
    QList<RecordedMessage> boxes;

    void beep() override { ++beeps; }
    void warning(QWidget*, const QString& title, const QString& text) override {
        boxes.append({QStringLiteral("warning"), title, text});
    }
    void information(QWidget*, const QString& title, const QString& text) override {
        boxes.append({QStringLiteral("information"), title, text});
    }
};
