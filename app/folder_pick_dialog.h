// The folder picker: Qt's own directory dialog whose typed path is the result. OK runs the
// ConfirmFolder rules (validation, an offer to create a missing folder, the messages) and keeps
// the dialog open, with the focus in the path box, until a path is accepted.
#pragma once

#include <QFileDialog>

class QLineEdit;

class CFolderPickDialog : public QFileDialog {
    Q_OBJECT
  public:
    // An empty initialPath starts in the current folder.
    CFolderPickDialog(const QString& caption, const QString& prompt, const QString& initialPath,
                      QWidget* parent);

    // The accepted path, exactly as typed (valid after exec() returned Accepted).
    QString ChosenPath() const { return chosen_; }

    // The box holding the typed path.
    QLineEdit* PathEdit() const;

    void accept() override;

  private:
    static constexpr int kMaxTypedPath = 259;
    QString TypedPath() const;

    QString chosen_;
};
