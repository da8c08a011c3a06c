#pragma once
// Beeps and message boxes, behind an interface so the commands can be driven without
// anyone to click OK.

#include <QString>

class QWidget;

namespace output {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    virtual void beep() = 0;
    // A modal box with a warning icon and an OK button.
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A modal box with an information icon and an OK button.
    virtual void information(QWidget* parent, const QString& title, const QString& text) = 0;
};

// The texts keep the program's CR / CR LF line breaks; for display they become the line
// breaks Qt understands.
QString displayText(const QString& text);

class QtMessageSink : public MessageSink {
  public:
    void beep() override;
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    void information(QWidget* parent, const QString& title, const QString& text) override;
};

}  // namespace output
