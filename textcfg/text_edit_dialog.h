// The dialog "文本编辑": edits the title, the remark and the channel names of a view's
// CurveSettings, and exports them with every curve display setting to a configuration file or
// imports them from one. Renames go to a working list first (double-click a channel to rename
// it) and reach the record through "保存设置" or OK; an import writes into the record at once.
// Cancel keeps whatever was stored.
#pragma once

#include <QDialog>
#include <QHash>
#include <string>
#include <vector>

#include "curve_settings.h"
#include "text_edit_rules.h"

#include "code_page.h"
#include "config_file.h"

// Configuration files of a UTF-8 record are written in UTF-8 after a byte-order mark, those of any
// other record in the panels' code page. A file with the mark, or one that is valid UTF-8 with
// characters beyond two bytes, is read as UTF-8, any other in the panels' code page. Texts read
// are stored in the record's code page, record.
ConfigCodec FileCodec(TextCodec record = TextCodec::kPerText);

class CCaseLineEdit;
class CCaseTextEdit;
class CChannelNameDialog;
class QTreeWidget;
class QTreeWidgetItem;

class CTextEditDialog : public QDialog {
    Q_OBJECT
  public:
    enum ControlId {
        kIdOk = 1,
        kIdCancel = 2,
        kIdExport = 4,
        kIdImport = 5,
        kIdSave = 6,
        kIdTree = 1019,
        kIdTitle = 1020,
        kIdRemark = 1021,
    };
    // The file dialogs' filter.
    static const char kIniFilter[];

    explicit CTextEditDialog(QWidget* parent = nullptr);

    // The record edited by the next opening (not owned) and the code page of its texts.
    void SetSettings(CurveSettings* settings, TextCodec codec = TextCodec::kPerText);

    // Fills the tree and edits from the record and runs the dialog modally.
    int exec() override;
    // The same without waiting (for tests and previews); OK and Cancel end it as in exec().
    void Open();

    // Rebuilds the tree and the working names from the record; the edits keep their text.
    virtual void RefreshTree();

    QWidget* Control(int id) const { return controls_.value(id); }
    template <class T>
    T* ControlAs(int id) const {
        return qobject_cast<T*>(Control(id));
    }
    CChannelNameDialog* NameDialog() const { return nameDialog_; }

    // Handlers of the buttons and of a double-click in the tree.
    void OnSave();
    void OnOK();
    void OnExport();
    void OnImport();
    void OnTreeDoubleClicked(QTreeWidgetItem* item);

  private:
    void OnInitDialog();
    void StoreEdits();
    // The edits' texts in the record's code page; text the user left alone keeps its bytes.
    std::string TitleBytes() const;
    std::string RemarkBytes() const;

    CurveSettings* settings_ = nullptr;
    TextCodec codec_ = TextCodec::kPerText;
    QTreeWidget* tree_;
    CCaseLineEdit* title_;
    CCaseTextEdit* remark_;
    CChannelNameDialog* nameDialog_;
    QTreeWidgetItem* rootItem_ = nullptr;
    QTreeWidgetItem* selectedItem_ = nullptr;
    QHash<int, QWidget*> controls_;
    std::vector<WorkingName> workingNames_;
    // What the edits were given, to tell whether the user changed them.
    std::string shownTitle_;
    std::string shownRemark_;
};
