// The settings dialog "设置": shows the two roots and lets the user pick new ones.
#pragma once

#include <QDialog>

#include "roots.h"

class QLineEdit;
class QPushButton;

class CDataSetting : public QDialog {
    Q_OBJECT
  public:
    explicit CDataSetting(QWidget* parent = nullptr);

    // The roots shown (read at construction, changed by the browse buttons).
    const Roots& Values() const { return roots_; }
    void SetValues(const Roots& roots);

    QLineEdit* StagingEdit() const { return stagingEdit_; }
    QLineEdit* DataEdit() const { return dataEdit_; }
    QPushButton* StagingBrowse() const { return stagingBrowse_; }
    QPushButton* DataBrowse() const { return dataBrowse_; }

    // OK writes the roots (the result is ignored) and closes.
    void accept() override;

    // Opens the folder picker for one root; a test may replace it. Returns an empty string when
    // the user cancelled.
    using PickFolder = QString (*)(QWidget* parent, const QString& prompt, const QString& initial);
    static void SetFolderPicker(PickFolder picker);

  private:
    void Browse(bool staging);

    Roots roots_;
    QLineEdit* stagingEdit_;
    QLineEdit* dataEdit_;
    QPushButton* stagingBrowse_;
    QPushButton* dataBrowse_;
};
