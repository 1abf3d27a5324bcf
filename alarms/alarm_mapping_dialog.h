// The dialog that sets how one alarm group's records read: which captions hold the alarm ID,
// the event and the message, and which event words mean an alarm, an acknowledgement and a
// clear. The captions are offered from the group's own header where it is known, and may be
// typed; a mapping with a fault keeps OK off and says what is wrong.
#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "alarm_model.h"
#include "code_page.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class AlarmMappingDialog : public QDialog {
    Q_OBJECT
  public:
    // captions: the group's captions as its header holds them (bytes; empty when not known).
    AlarmMappingDialog(const QString& group, const std::vector<std::string>& captions,
                       const AlarmMapping& mapping, QWidget* parent = nullptr);

    // The mapping the controls show; the default mapping's faults aside, what OK would keep.
    AlarmMapping Mapping() const;
    void Show(const AlarmMapping& mapping);

  private:
    // Shows the fault of the mapping, if any, and allows OK only without one.
    void Check();
    std::string CaptionBytes(const QComboBox* box) const;

    std::vector<std::string> captions_;
    TextCodec codec_ = TextCodec::kPerText;  // of texts typed here
    QComboBox* id_;
    QComboBox* event_;
    QComboBox* message_;
    QLineEdit* alarm_;
    QLineEdit* ack_;
    QLineEdit* clear_;
    QLabel* fault_;
    QPushButton* ok_;
};

// Opens the dialog on *mapping; true when the user took OK, with *mapping set to what the
// dialog shows (unchanged otherwise).
bool EditAlarmMapping(QWidget* parent, const QString& group,
                      const std::vector<std::string>& captions, AlarmMapping* mapping);
