// The dialog "历史曲线设置": edits a view's CurveSettings in place. The channel tree (check boxes)
// decides which curves are drawn, the two channel boxes edit the colour and line type of the
// channel selected in the tree, and the rest sets background, grid, time range and interval, the
// Y range and the Y-grid spacing. Box selections are written to the record at once; OK checks and
// stores the rest step by step (see ApplyCurveDialog), a failed check shows its message and keeps
// the dialog open with what was stored so far. Cancel keeps what the boxes already wrote.
#pragma once

#include <QDialog>
#include <QHash>

#include "code_page.h"
#include "curve_settings.h"

class CCheckTreeCtrl;
class CColorCombo;
class CLineTypeCombo;
class QButtonGroup;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QRadioButton;
class QTreeWidgetItem;

class CHisCurveSettingDialog : public QDialog {
    Q_OBJECT
  public:
    // Control ids of the dialog.
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kIdIntervalSpin = 1007,
        kIdTree = 1008,
        kIdColor = 1010,
        kIdLineType = 1011,
        kIdBackground = 1012,
        kIdGrid = 1013,
        kIdStart = 1014,
        kIdEnd = 1015,
        kIdInterval = 1016,
        kIdYMin = 1017,
        kIdYAuto = 1018,
        kIdYManual = 1019,
        kIdYMax = 1020,
        kIdGridInterval = 1021,
        kIdGridAuto = 1022,
        kIdGridManual = 1023,
    };

    explicit CHisCurveSettingDialog(QWidget* parent = nullptr);

    // The record edited by the next opening (not owned).
    void SetSettings(CurveSettings* settings, TextCodec codec = TextCodec::kPerText) {
        settings_ = settings;
        codec_ = codec;
    }

    // Fills the controls from the record and runs the dialog modally.
    int exec() override;
    // Fills the controls from the record and shows the dialog without waiting (for tests and
    // previews); OK and Cancel end it as in exec().
    void Open();

    // The control with an id, or null.
    QWidget* Control(int id) const { return controls_.value(id); }
    template <class T>
    T* ControlAs(int id) const {
        return qobject_cast<T*>(Control(id));
    }
    int CurrentChannel() const { return currentChannel_; }
    QTreeWidgetItem* CurrentItem() const { return currentItem_; }

    // The OK button's handler.
    void OnOK();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateControls();
    void OnInitDialog();
    void MarkCurrent(QTreeWidgetItem* item);
    void OnTreeSelectionChanged();
    void OnLimitEdited(const QString& text);
    void SetYControlsEnabled(bool limits, bool gridRadios, bool gridEdit);
    void StepInterval(int delta);

    CurveSettings* settings_ = nullptr;
    TextCodec codec_ = TextCodec::kPerText;
    int currentChannel_ = 0;  // kept from one opening to the next
    QTreeWidgetItem* currentItem_ = nullptr;
    QTreeWidgetItem* rootItem_ = nullptr;
    QWidget* content_ = nullptr;  // holds every control; made anew at each opening
    QHash<int, QWidget*> controls_;
    CCheckTreeCtrl* tree_ = nullptr;
    CColorCombo* color_ = nullptr;
    CLineTypeCombo* lineType_ = nullptr;
    CColorCombo* background_ = nullptr;
    QComboBox* grid_ = nullptr;
    QDateTimeEdit* start_ = nullptr;
    QDateTimeEdit* end_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QRadioButton* yAuto_ = nullptr;
    QRadioButton* yManual_ = nullptr;
    QLineEdit* yMin_ = nullptr;
    QLineEdit* yMax_ = nullptr;
    QRadioButton* gridAuto_ = nullptr;
    QRadioButton* gridManual_ = nullptr;
    QLineEdit* gridInterval_ = nullptr;
    QButtonGroup* yGroup_ = nullptr;
    QButtonGroup* gridGroup_ = nullptr;
};
