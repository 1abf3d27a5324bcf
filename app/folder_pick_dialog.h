// The folder picker: Qt's own directory dialog with a path box of its own. Choosing a folder in
// the dialog puts its full path into the box; the box's text is the result. OK is enabled exactly
// when the box is not empty; pressing it runs the ConfirmFolder rules (validation, an offer to
// create a missing folder, the messages) and keeps the dialog open, with the focus in the box,
// until a path is accepted. A relative path is invalid.
#pragma once

#include <QFileDialog>

class QLineEdit;
class QPushButton;

class CFolderPickDialog : public QFileDialog {
    Q_OBJECT
  public:
    // Control id of the path box.
    static constexpr int kPathEditId = 14148;

    // An empty initialPath starts in the current folder.
    CFolderPickDialog(const QString& caption, const QString& prompt, const QString& initialPath,
                      QWidget* parent);

    // The accepted path, exactly as typed (valid after exec() returned Accepted).
    QString ChosenPath() const { return chosen_; }

    // The box holding the path, and the OK button.
    QLineEdit* PathEdit() const { return pathEdit_; }
    QPushButton* OkButton() const { return ok_; }

    void accept() override;

  private:
    static constexpr int kMaxTypedPath = 259;
    void FolderChosen(const QString& path);

    QLineEdit* pathEdit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QString chosen_;
};
