// A docking bar that the user resizes by dragging its edge, docked on any side or floating. It
// keeps one size for each docking side (top/bottom, left/right, floating), each bounded below.
#pragma once

#include <QDockWidget>
#include <QSize>

class QMainWindow;

class CSizingControlBar : public QDockWidget {
    Q_OBJECT
  public:
    enum class DockSide { kHorizontal, kVertical, kFloating };

    static constexpr QSize kDefaultSize{200, 200};
    static constexpr QSize kMinHorzSize{33, 32};
    static constexpr QSize kMinVertSize{33, 32};
    static constexpr QSize kMinFloatSize{37, 32};
    static constexpr int kEdgeWidth = 5;

    // title is the caption of the floating window; id the control id of the bar.
    CSizingControlBar(const QString& title, QMainWindow* parent, int id);
    CSizingControlBar(const QString& title, QMainWindow* parent, int id, QSize defaultSize);

    int ControlId() const { return id_; }
    DockSide GetDockSide() const;

    QSize HorzSize() const { return horz_; }
    QSize VertSize() const { return vert_; }
    QSize FloatSize() const { return float_; }
    QSize MinimumFor(DockSide side) const;

    // Sizes in the per-user profile, section "<profile>-SCBar-<id>". Values below the minimum
    // of their side are not taken.
    void ReadSizes(const QString& profileName);
    void WriteSizes(const QString& profileName) const;

    // Records a size for a side, bounded below by its minimum.
    void SetSizeFor(DockSide side, QSize size);

  signals:
    // After every resize, with the new size of the bar's contents.
    void Resized(QSize size);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void SideChanged();

    int id_;
    QSize horz_ = kDefaultSize;
    QSize vert_ = kDefaultSize;
    QSize float_ = kDefaultSize;
};

// The bar with a gripper along its edge and a close button at the gripper's far end.
class CSizingControlBarG : public CSizingControlBar {
    Q_OBJECT
  public:
    static constexpr int kGripperWidth = 12;
    static constexpr int kCloseSize = 11;

    CSizingControlBarG(const QString& title, QMainWindow* parent, int id);

    // The gripper, for tests: its close button hides the bar.
    QWidget* Gripper() const { return gripper_; }

  private:
    void UpdateGripperOrientation();

    QWidget* gripper_;
};
