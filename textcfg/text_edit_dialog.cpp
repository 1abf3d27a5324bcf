#include "text_edit_dialog.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "case_edits.h"
#include "channel_name_dialog.h"
#include "config_file.h"
#include "line_rule.h"
#include "text_codec.h"
#include "ui_services.h"

const char CTextEditDialog::kIniFilter[] = "Ini File (*.ini);;All Files (*)";

namespace {

// Position of a channel item's name in the working list.
constexpr int kPositionRole = Qt::UserRole + 1;
// Longest title shown as the tree's root, in bytes.
constexpr size_t kRootTextMax = 255;

// The folder the export and import dialogs start in: the one last chosen in either.
QString g_lastFolder;

// Labels can be edited in place, but what is typed there is dropped when the edit ends: names
// change only through the name dialog, which checks them.
class DiscardingDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
};

std::string PathBytes(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// The remark as the edit shows it: its CR LF line breaks as "\n".
QString ShownRemark(const std::string& remark, TextCodec codec) {
    return DecodeText(remark, codec).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

ConfigCodec FileCodec(TextCodec record) {
    ConfigCodec codec;
    // The .ini of a UTF-8 record is UTF-8 (marked as such), so that every text reads back as it
    // was; any other record's is in the panels' code page, as other programs write them.
    codec.utf8File = record == TextCodec::kUtf8;
    codec.toFile = [record](const std::string& text) {
        return EncodeText(DecodeText(text, record), record);
    };
    codec.fromUtf8File = [record](const std::string& text) {
        return EncodeText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                          record);
    };
    // A UTF-8 record cannot hold the panels' bytes as they are.
    if (record == TextCodec::kUtf8) {
        codec.fromCodePageFile = [](const std::string& text) {
            return EncodeText(DecodeText(text, TextCodec::kGb18030), TextCodec::kUtf8);
        };
    }
    return codec;
}

void CTextEditDialog::SetSettings(CurveSettings* settings, TextCodec codec) {
    settings_ = settings;
    codec_ = codec;
    nameDialog_->SetCodec(codec);
}

CTextEditDialog::CTextEditDialog(QWidget* parent)
    : QDialog(parent),
      tree_(new QTreeWidget(this)),
      title_(new CCaseLineEdit(LetterCase::kUpper, this)),
      remark_(new CCaseTextEdit(LetterCase::kLower, this)),
      nameDialog_(new CChannelNameDialog(this)) {
    setWindowTitle(QCoreApplication::translate("Histavue", "文本编辑"));
    auto remember = [this](int id, QWidget* w) {
        w->setObjectName(QString::number(id));
        controls_.insert(id, w);
    };
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setDragDropMode(QAbstractItemView::NoDragDrop);
    tree_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tree_->setItemDelegate(new DiscardingDelegate(tree_));
    tree_->setMouseTracking(true);  // hot tracking
    remember(kIdTree, tree_);
    remember(kIdTitle, title_);
    remark_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    remark_->setTabChangesFocus(true);
    remember(kIdRemark, remark_);
    auto button = [&](int id, const char* text) {
        auto* b = new QPushButton(QCoreApplication::translate("Histavue", text), this);
        b->setAutoDefault(false);
        remember(id, b);
        return b;
    };
    QPushButton* save = button(kIdSave, QT_TRANSLATE_NOOP("Histavue", "保存设置"));
    QPushButton* import = button(kIdImport, QT_TRANSLATE_NOOP("Histavue", "导入配置文件...."));
    QPushButton* exportButton = button(kIdExport, QT_TRANSLATE_NOOP("Histavue", "导出配置文件..."));
    QPushButton* ok = button(kIdOk, QT_TRANSLATE_NOOP("Histavue", "确定"));
    QPushButton* cancel = button(kIdCancel, QT_TRANSLATE_NOOP("Histavue", "取消"));

    auto* names = new QGroupBox(QCoreApplication::translate("Histavue", "编辑通道名称:"), this);
    (new QVBoxLayout(names))->addWidget(tree_);
    auto* remarkGroup =
        new QGroupBox(QCoreApplication::translate("Histavue", "报表曲线备注:"), this);
    (new QVBoxLayout(remarkGroup))->addWidget(remark_);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {save, import, exportButton})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* right = new QVBoxLayout;
    right->addWidget(
        new QLabel(QCoreApplication::translate("Histavue", "报表曲线标题编辑:"), this));
    right->addWidget(title_);
    right->addWidget(remarkGroup, 1);
    auto* top = new QHBoxLayout(this);
    top->addWidget(names, 1);
    top->addLayout(right, 2);
    top->addLayout(buttons);
    resize(640, 360);

    connect(save, &QPushButton::clicked, this, &CTextEditDialog::OnSave);
    connect(import, &QPushButton::clicked, this, &CTextEditDialog::OnImport);
    connect(exportButton, &QPushButton::clicked, this, &CTextEditDialog::OnExport);
    connect(ok, &QPushButton::clicked, this, &CTextEditDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OnTreeDoubleClicked(item); });
}

int CTextEditDialog::exec() {
    OnInitDialog();
    return QDialog::exec();
}

void CTextEditDialog::Open() {
    OnInitDialog();
    setResult(0);
    show();
}

void CTextEditDialog::OnInitDialog() {
    RefreshTree();
    shownTitle_ = settings_ != nullptr ? settings_->title : std::string();
    shownRemark_ = settings_ != nullptr ? settings_->remark : std::string();
    title_->setText(DecodeText(shownTitle_, codec_));
    remark_->setPlainText(ShownRemark(shownRemark_, codec_));
}

void CTextEditDialog::RefreshTree() {
    workingNames_.clear();
    selectedItem_ = nullptr;
    rootItem_ = nullptr;
    tree_->clear();
    if (settings_ == nullptr)
        return;
    rootItem_ = new QTreeWidgetItem(
        tree_, {DecodeText(CutToCharacters(settings_->title, kRootTextMax), codec_)});
    rootItem_->setFlags(rootItem_->flags() | Qt::ItemIsEditable);
    workingNames_ = WorkingNamesOf(*settings_);
    for (size_t i = 0; i < workingNames_.size(); ++i) {
        auto* item = new QTreeWidgetItem(rootItem_, {DecodeText(workingNames_[i].name, codec_)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, kPositionRole, static_cast<int>(i));
    }
    tree_->expandItem(rootItem_);
}

void CTextEditDialog::OnTreeDoubleClicked(QTreeWidgetItem* item) {
    // Items know their place in the working list, so two channels of one name stay apart.
    const QVariant position = item != nullptr ? item->data(0, kPositionRole) : QVariant();
    if (!position.isValid())
        return;  // the root
    const int i = position.toInt();
    if (i < 0 || i >= static_cast<int>(workingNames_.size()))
        return;
    selectedItem_ = item;
    std::vector<std::string> names;
    for (const WorkingName& n : workingNames_)
        names.push_back(n.name);
    nameDialog_->SetNewName(workingNames_[static_cast<size_t>(i)].name);
    nameDialog_->SetNames(std::move(names), i);
    if (nameDialog_->exec() == QDialog::Accepted) {
        workingNames_[static_cast<size_t>(i)].name = nameDialog_->NewName();
        selectedItem_->setText(0, DecodeText(nameDialog_->NewName(), codec_));
        nameDialog_->ClearNames();
    }
}

std::string CTextEditDialog::TitleBytes() const {
    const QString text = title_->text();
    return text == DecodeText(shownTitle_, codec_) ? shownTitle_ : EncodeText(text, codec_);
}

std::string CTextEditDialog::RemarkBytes() const {
    QString text = remark_->toPlainText();
    if (text == ShownRemark(shownRemark_, codec_))
        return shownRemark_;
    return EncodeText(text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")), codec_);
}

void CTextEditDialog::StoreEdits() {
    if (settings_ == nullptr)
        return;
    StoreTexts(settings_, TitleBytes(), RemarkBytes(), workingNames_);
    shownTitle_ = settings_->title;
    shownRemark_ = settings_->remark;
}

void CTextEditDialog::OnSave() {
    StoreEdits();
}

void CTextEditDialog::OnOK() {
    StoreEdits();
    workingNames_.clear();
    accept();
}

void CTextEditDialog::OnExport() {
    if (settings_ == nullptr)
        return;
    const QString path = UiServices::Get().SaveFileName(
        this, QCoreApplication::translate("Histavue", "另存为"), QString::fromUtf8(kIniFilter),
        QStringLiteral("ini"), g_lastFolder);
    if (path.isEmpty())
        return;
    g_lastFolder = QFileInfo(path).absolutePath();
    if (!WriteConfigFile(PathBytes(path), TitleBytes(), RemarkBytes(), *settings_,
                         FileCodec(codec_))) {
        UiServices::Get().Message(this, QCoreApplication::translate("Histavue", kMsgCannotSaveIni),
                                  UiServices::Icon::kExclamation);
    }
}

void CTextEditDialog::OnImport() {
    if (settings_ == nullptr)
        return;
    const QString path =
        UiServices::Get().OpenFileName(this, QCoreApplication::translate("Histavue", "打开"),
                                       QString::fromUtf8(kIniFilter), g_lastFolder);
    if (path.isEmpty())
        return;
    g_lastFolder = QFileInfo(path).absolutePath();
    std::string title;
    std::string remark;
    if (!ReadConfigFile(PathBytes(path), settings_, &title, &remark, FileCodec(codec_)))
        return;
    shownTitle_ = title;
    shownRemark_ = remark;
    title_->setText(DecodeText(title, codec_));
    remark_->setPlainText(ShownRemark(remark, codec_));
    RefreshTree();
}
