#pragma once
// Beeps and message boxes, behind an interface so the commands can be driven without
// anyone to click OK.

#include <QString>

class QWidget;

namespace output {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void Beep() = 0;
    // A modal box with a warning icon and an OK button.
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A modal box with an information icon and an OK button.
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
};

// The texts keep the program's CR / CR LF line breaks; for display they become the line
// breaks Qt understands.
QString DisplayText(const QString& text);

class QtMessageSink : public MessageSink {
  public:
    void Beep() override;
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    void Information(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace output
