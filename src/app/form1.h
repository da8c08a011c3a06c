#pragma once
// The communication settings dialog. It has no OK or Cancel: every choice is handed to
// the port at once, and the dialog keeps nothing of its own beyond the five selections.

#include <QDialog>
#include <QList>
#include <functional>

#include "serial/portmap.h"
#include "serial/serialsettings.h"

namespace protocol {
class MeterLink;
}

class QComboBox;
class QGroupBox;
class QLabel;

namespace app {

class Form1 : public QDialog {
    Q_OBJECT

  public:
    // Every choice goes to `link` at once; `ports` names the device behind each COMn.
    Form1(protocol::MeterLink& link, const serial::PortMap& ports);

    QGroupBox* Frame1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr;
    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr, *Combo4 = nullptr,
              *Combo5 = nullptr;

    // Selects in each list the current value of the serial settings.
    void Form_Load();

  protected:
    void changeEvent(QEvent* event) override;  // a change of language

  private:
    // Captions in the program's language, each label fitted to its caption.
    void RetranslateUi();
    void Combo1_Click(int index);
    void Combo2_Click(int index);
    void Combo3_Click(int index);
    void Combo4_Click(int index);
    void Combo5_Click(int index);
    // Changes one line setting and applies the line; a setting the port refuses is reported
    // and undone in the list.
    void ChangeLineSetting(const std::function<void(serial::LineSettings&)>& change);

    protocol::MeterLink& link_;
    serial::PortMap ports_;
    struct LabelRoom {
        QLabel* label;
        QRect design;
        int right;  // where the next column starts, less a gap
    };
    QList<LabelRoom> labelRoom_;
};

}  // namespace app
