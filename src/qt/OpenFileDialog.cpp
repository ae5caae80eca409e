// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/OpenFileDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "core/Paths.h"
#include "qt/QtBytes.h"

namespace {

// "/a/./b//../c" gives "/a/c/": typed paths name a folder the way the list does.
Bytes CleanFolder(const Bytes& path) {
    std::vector<Bytes> parts;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == Bytes::npos) end = path.size();
        const Bytes part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    Bytes clean = "/";
    for (const Bytes& part : parts) clean += part + "/";
    return clean;
}

bool HasWildcard(const Bytes& name) { return name.find_first_of("*?") != Bytes::npos; }

QVariant BytesData(const Bytes& bytes) { return QByteArray(bytes.data(), qsizetype(bytes.size())); }
Bytes FromData(const QVariant& data) { return data.toByteArray().toStdString(); }

}  // namespace

// ---- The rows ----

FolderEntryModel::FolderEntryModel(QObject* parent) : QAbstractListModel(parent) {
    const QFileIconProvider icons;
    folderIcon_ = icons.icon(QAbstractFileIconProvider::Folder);
    fileIcon_ = icons.icon(QAbstractFileIconProvider::File);
}

int FolderEntryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant FolderEntryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const DirEntry& entry = rows_[index.row()];
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return ToEscapedString(entry.name);
    if (role == Qt::DecorationRole) return entry.isDirectory ? folderIcon_ : fileIcon_;
    return {};
}

void FolderEntryModel::Reset(std::vector<DirEntry> entries) {
    beginResetModel();
    rows_ = std::move(entries);
    endResetModel();
}

int FolderEntryModel::RowOf(const Bytes& name) const {
    const auto at = std::find_if(rows_.begin(), rows_.end(), [&](const DirEntry& e) { return e.name == name; });
    return at == rows_.end() ? -1 : static_cast<int>(at - rows_.begin());
}

// ---- The dialog ----

TByteFileDialog::TByteFileDialog(QWidget* parent, const QString& filter) : QDialog(parent), model_(this) {
    const QString text = filter.section(QLatin1Char('|'), 0, 0);
    const QString pattern = filter.section(QLatin1Char('|'), 1, 1);
    for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        filterPatterns_.push_back(FromQString(p.trimmed()));
    patterns_ = filterPatterns_;
    BuildControls(text.endsWith(QLatin1Char(')')) ? text : text + " (" + pattern + ")");
}

void TByteFileDialog::BuildControls(const QString& filterText) {
    setWindowTitle(QStringLiteral("開く"));
    setSizeGripEnabled(true);
    const QFileIconProvider icons;

    lookIn_ = new QComboBox(this);
    lookIn_->setObjectName(QStringLiteral("lookInCombo"));
    lookIn_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    lookIn_->setMinimumContentsLength(20);
    lookIn_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto tool = [this](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* button = new QToolButton(this);
        button->setObjectName(QLatin1String(name));
        button->setIcon(style()->standardIcon(icon, nullptr, this));
        button->setToolTip(tip);
        button->setAutoRaise(true);
        return button;
    };
    back_ = tool("backButton", QStyle::SP_ArrowBack, QStringLiteral("戻る"));
    forward_ = tool("forwardButton", QStyle::SP_ArrowForward, QStringLiteral("進む"));
    up_ = tool("toParentButton", QStyle::SP_FileDialogToParent, QStringLiteral("親ディレクトリ"));
    auto* lookInLabel = new QLabel(QStringLiteral("場所:"), this);
    lookInLabel->setBuddy(lookIn_);
    auto* top = new QHBoxLayout;
    top->addWidget(lookIn_);
    top->addWidget(back_);
    top->addWidget(forward_);
    top->addWidget(up_);

    sidebar_ = new QListWidget(this);
    sidebar_->setObjectName(QStringLiteral("sidebar"));
    auto place = [this](const QIcon& icon, const QString& text, const Bytes& folder) {
        auto* item = new QListWidgetItem(icon, text, sidebar_);
        item->setData(Qt::UserRole, BytesData(folder));
        item->setToolTip(ToEscapedString(folder));
    };
    place(icons.icon(QAbstractFileIconProvider::Computer), QStringLiteral("コンピューター"), "/");
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        place(icons.icon(QAbstractFileIconProvider::Folder), ToEscapedString(FileNamePart(home)), home);

    list_ = new QListView(this);
    list_->setObjectName(QStringLiteral("listView"));
    list_->setModel(&model_);
    // One column, one size for every row: no row is measured, and each row is as wide as the list.
    list_->setUniformItemSizes(true);
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->installEventFilter(this);

    auto* splitter = new QSplitter(this);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(sidebar_);
    splitter->addWidget(list_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({130, 470});

    fileName_ = new QLineEdit(this);
    fileName_->setObjectName(QStringLiteral("fileNameEdit"));
    auto* fileNameLabel = new QLabel(QStringLiteral("ファイル名:"), this);
    fileNameLabel->setBuddy(fileName_);
    fileType_ = new QComboBox(this);
    fileType_->setObjectName(QStringLiteral("fileTypeCombo"));
    fileType_->addItem(filterText);
    auto* fileTypeLabel = new QLabel(QStringLiteral("ファイルの種類:"), this);
    fileTypeLabel->setBuddy(fileType_);

    auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    open_ = buttons->addButton(QStringLiteral("開く"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    open_->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lookInLabel, 0, 0);
    grid->addLayout(top, 0, 1, 1, 2);
    grid->addWidget(splitter, 1, 0, 1, 3);
    grid->addWidget(fileNameLabel, 2, 0);
    grid->addWidget(fileName_, 2, 1);
    grid->addWidget(buttons, 2, 2, 2, 1);
    grid->addWidget(fileTypeLabel, 3, 0);
    grid->addWidget(fileType_, 3, 1);
    resize(640, 420);

    connect(open_, &QPushButton::clicked, this, &TByteFileDialog::OpenTyped);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListView::doubleClicked, this, &TByteFileDialog::Activate);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (current.isValid()) fileName_->setText(current.data().toString());
        UpdateControls();
    });
    connect(fileName_, &QLineEdit::textChanged, this, &TByteFileDialog::UpdateControls);
    connect(lookIn_, &QComboBox::activated, this, [this](int at) { Navigate(FromData(lookIn_->itemData(at)), true); });
    connect(sidebar_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { Navigate(FromData(item->data(Qt::UserRole)), true); });
    connect(up_, &QToolButton::clicked, this, &TByteFileDialog::GoUp);
    connect(back_, &QToolButton::clicked, this, [this] {
        if (historyAt_ > 0) Navigate(history_[--historyAt_], false);
    });
    connect(forward_, &QToolButton::clicked, this, [this] {
        if (historyAt_ + 1 < history_.size()) Navigate(history_[++historyAt_], false);
    });
    fileName_->setFocus();
}

bool TByteFileDialog::SetFolder(const Bytes& folder) { return Navigate(folder, true); }

bool TByteFileDialog::Navigate(const Bytes& folder, bool remember) {
    const Bytes clean = CleanFolder(folder);
    if (!FolderExists(clean)) return false;
    folder_ = clean;
    if (remember) {
        if (!history_.empty()) history_.resize(historyAt_ + 1);
        history_.push_back(folder_);
        historyAt_ = history_.size() - 1;
    }
    patterns_ = filterPatterns_;
    ListFolder();
    // The look-in list: the folder and each folder above it, the root first.
    lookIn_->clear();
    const QIcon folderIcon = QFileIconProvider().icon(QAbstractFileIconProvider::Folder);
    for (std::size_t end = 0; end != Bytes::npos; end = folder_.find('/', end + 1)) {
        const Bytes prefix = folder_.substr(0, end + 1);
        const Bytes shown = prefix.size() > 1 ? prefix.substr(0, end) : prefix;
        lookIn_->addItem(folderIcon, ToEscapedString(shown), BytesData(prefix));
        if (end + 1 == folder_.size()) break;
    }
    lookIn_->setCurrentIndex(lookIn_->count() - 1);
    fileName_->clear();
    UpdateControls();
    return true;
}

// Folders, then the files that match, each in natural order; hidden entries left out as Qt's dialog does.
void TByteFileDialog::ListFolder() {
    std::vector<DirEntry> folders;
    std::vector<DirEntry> files;
    for (DirectorySearch search(folder_ + "*"); search.Found(); search.Next()) {
        const DirEntry& entry = search.Current();
        if (entry.name.empty() || entry.name[0] == '.') continue;
        if (entry.isDirectory) folders.push_back(entry);
        else if (std::any_of(patterns_.begin(), patterns_.end(),
                             [&](const Bytes& p) { return WildcardMatch(p, entry.name); }))
            files.push_back(entry);
    }
    folders.insert(folders.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
    model_.Reset(std::move(folders));
}

void TByteFileDialog::SelectFile(const Bytes& name) {
    const int row = model_.RowOf(name);
    if (row >= 0) {
        list_->setCurrentIndex(model_.index(row));
        list_->scrollTo(model_.index(row));
    }
    fileName_->setText(ToEscapedString(name));
}

// The folder left is selected, so that Enter goes back into it.
void TByteFileDialog::GoUp() {
    const Bytes left = FileNamePart(folder_.substr(0, folder_.size() - 1));
    if (folder_ != "/" && Navigate(folder_ + "..", true)) SelectFile(left);
}

void TByteFileDialog::Activate(const QModelIndex& index) {
    if (!index.isValid()) return;
    const DirEntry& entry = model_.Entry(index.row());
    if (entry.isDirectory) Navigate(folder_ + entry.name, true);
    else Choose(folder_ + entry.name);
}

// The file-name box: a folder is entered, a file chosen, a wildcard filters; relative to the folder shown.
void TByteFileDialog::OpenTyped() {
    const QString typed = fileName_->text();
    if (typed.isEmpty()) return Activate(list_->currentIndex());
    Bytes path = FromEscapedString(typed);
    if (path.front() != '/') path = folder_ + path;
    if (Navigate(path, true)) return;
    const Bytes name = FileNamePart(path);
    if (HasWildcard(name)) {
        if (CleanFolder(FolderPart(path)) != folder_ && !Navigate(FolderPart(path), true)) return;
        patterns_ = {name};
        ListFolder();
        fileName_->clear();
        return;
    }
    // A search in a folder that is not there would only drop the folder list's cached listing.
    const bool inFolder = FolderExists(FolderPart(path));
    if (const auto found = inFolder ? FindFirstMatch(path) : std::nullopt; found && !found->isDirectory)
        return Choose(CleanFolder(FolderPart(path)) + name);
    QMessageBox::warning(
        this, windowTitle(),
        typed + QStringLiteral("\nファイルが見つかりません。\n正しいファイル名が指定されたか確認してください。"));
}

void TByteFileDialog::Choose(const Bytes& path) {
    chosen_ = path;
    accept();
}

void TByteFileDialog::UpdateControls() {
    back_->setEnabled(historyAt_ > 0);
    forward_->setEnabled(historyAt_ + 1 < history_.size());
    up_->setEnabled(folder_ != "/");
    open_->setEnabled(!fileName_->text().isEmpty() || list_->currentIndex().isValid());
}

bool TByteFileDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (list_->currentIndex().isValid()) Activate(list_->currentIndex());
            else OpenTyped();
            return true;
        }
        if (key == Qt::Key_Backspace) {
            GoUp();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TByteFileDialog::ChooseFolders() {
    setWindowTitle(QStringLiteral("移動先のフォルダ"));
    patterns_.clear();
    filterPatterns_.clear();
    fileType_->clear();
    fileType_->addItem(QStringLiteral("フォルダ"));
    auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* here = buttons->addButton(QStringLiteral("このフォルダを選択"), QDialogButtonBox::ActionRole);
    here->setObjectName(QStringLiteral("chooseFolderButton"));
    connect(here, &QPushButton::clicked, this, [this] { Choose(folder_); });
    ListFolder();
}

bool ChooseFolder(QWidget* owner, Bytes& folder) {
    TByteFileDialog box(owner, QStringLiteral("フォルダ|"));
    box.ChooseFolders();
    if (folder.empty() || !box.SetFolder(folder)) box.SetFolder("/");
    if (box.exec() != QDialog::Accepted || box.ChosenPath().empty()) return false;
    folder = box.ChosenPath();
    return true;
}

bool ChooseFileToOpen(QWidget* owner, const Bytes& filter, Bytes& fileName) {
    TByteFileDialog box(owner, ToQString(filter));
    const Bytes folder = FolderPart(fileName);
    if (!folder.empty() && box.SetFolder(folder)) {
        box.SelectFile(FileNamePart(fileName));
    } else {
        std::error_code error;
        const std::filesystem::path working = std::filesystem::current_path(error);
        if (error || !box.SetFolder(working.string())) box.SetFolder("/");
    }
    if (box.exec() != QDialog::Accepted || box.ChosenPath().empty()) return false;
    fileName = box.ChosenPath();
    return true;
}
