// The dialog "名称编辑": renames one channel. It refuses a name that another channel already
// has (ASCII letters compared without regard to case) with its message and stays open.
#pragma once

#include <QDialog>
#include <QHash>
#include <string>
#include <vector>

#include "code_page.h"

class CCaseLineEdit;

class CChannelNameDialog : public QDialog {
    Q_OBJECT
  public:
    enum ControlId { kIdOk = 1, kIdCancel = 2, kIdName = 1021 };

    explicit CChannelNameDialog(QWidget* parent = nullptr);

    // The channel's current name on entry; after OK the accepted name, cut to a channel's 31
    // bytes at a character boundary. Names are bytes in the record's code page.
    void SetNewName(const std::string& name) { newName_ = name; }
    const std::string& NewName() const { return newName_; }
    // The code page of the record's texts.
    void SetCodec(TextCodec codec) { codec_ = codec; }
    // All working names and the position of the one being edited.
    void SetNames(std::vector<std::string> names, int nameIndex);
    void ClearNames() { names_.clear(); }

    // Puts the current name into the edit and runs the dialog modally.
    int exec() override;

    QWidget* Control(int id) const { return controls_.value(id); }

    // The OK button's handler.
    void OnOK();

  private:
    CCaseLineEdit* edit_;
    QHash<int, QWidget*> controls_;
    std::string newName_;
    std::vector<std::string> names_;
    int nameIndex_ = -1;
    TextCodec codec_ = TextCodec::kPerText;
};
