// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ListBox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <map>
#include <new>

#include "core/CodePage.h"
#include "core/Errors.h"
#include "core/NaturalOrder.h"
#include "qt/QtBytes.h"
#include "qt/ErrorDisplay.h"

int ByteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

QVariant ByteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    // Names that differ in their bytes look different, as in the open dialog.
    if (role == Qt::DisplayRole) return ToEscapedString(rows[index.row()]);
    if (role == Qt::SizeHintRole) return QSize(0, rowHeight);
    return {};
}

void ByteListModel::Reset(std::vector<Bytes> newRows) {
    beginResetModel();
    rows = std::move(newRows);
    endResetModel();
}

// Rows come in the folder's natural order, so old and new rows merge like two
// sorted lists: a row only in the old list is removed, a row only in the new
// one inserted, each run in one step. The outcome is the new list whatever the
// order; the order only keeps the steps few. Past a few runs a reset is cheaper
// for the view than many small relayouts.
void ByteListModel::Apply(std::vector<Bytes> newRows) {
    constexpr int kMostRuns = 32;
    struct Run {
        bool insert;
        std::size_t from, count;  // in the old rows when removing, the new ones when inserting
    };
    std::vector<Run> runs;
    std::size_t i = 0, j = 0;
    const auto add = [&](bool insert, std::size_t at) {
        if (!runs.empty() && runs.back().insert == insert && runs.back().from + runs.back().count == at) ++runs.back().count;
        else runs.push_back({insert, at, 1});
    };
    while ((i < rows.size() || j < newRows.size()) && runs.size() <= kMostRuns) {
        if (i < rows.size() && j < newRows.size() && rows[i] == newRows[j]) {
            ++i;
            ++j;
        } else if (j == newRows.size() || (i < rows.size() && NaturalLess(rows[i], newRows[j]))) {
            add(false, i++);
        } else {
            add(true, j++);
        }
    }
    if (runs.size() > kMostRuns) return Reset(std::move(newRows));
    // Removals from the end first keep the earlier old positions valid; then
    // insertions from the start land at their new positions.
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (run->insert) continue;
        const int first = static_cast<int>(run->from);
        beginRemoveRows({}, first, first + static_cast<int>(run->count) - 1);
        rows.erase(rows.begin() + run->from, rows.begin() + run->from + run->count);
        endRemoveRows();
    }
    for (const Run& run : runs) {
        if (!run.insert) continue;
        const int first = static_cast<int>(run.from);
        beginInsertRows({}, first, first + static_cast<int>(run.count) - 1);
        rows.insert(rows.begin() + run.from, std::make_move_iterator(newRows.begin() + run.from),
                    std::make_move_iterator(newRows.begin() + run.from + run.count));
        endInsertRows();
    }
}

void ByteListModel::Append(const Bytes& row) {
    const int at = rowCount();
    beginInsertRows({}, at, at);
    rows.push_back(row);
    endInsertRows();
}

void ByteListModel::InsertRow(int index, const Bytes& row) {
    beginInsertRows({}, index, index);
    rows.insert(rows.begin() + index, row);
    endInsertRows();
}

void ByteListModel::RemoveRow(int index) {
    beginRemoveRows({}, index, index);
    rows.erase(rows.begin() + index);
    endRemoveRows();
}

std::pair<int, int> ByteListModel::MoveRow(int from, int to, const Bytes& row) {
    rows.erase(rows.begin() + from);
    rows.insert(rows.begin() + to, row);
    return {std::min(from, to), std::max(from, to)};
}

TListBox::TListBox(QWidget* parent) : QListView(parent), model_(this) {
    setModel(&model_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    clock_.start();
    FitRowHeightToFont();
}

void TListBox::changeEvent(QEvent* event) {
    QListView::changeEvent(event);
    if (event->type() == QEvent::FontChange) FitRowHeightToFont();
}

// Rows are 12 px high, or as high as the font needs so that "_" and "g" are not cut.
void TListBox::FitRowHeightToFont() {
    const int height = std::max(12, fontMetrics().height());
    if (height == model_.rowHeight) return;
    model_.rowHeight = height;
    model_.Reset(std::move(model_.rows));
}

void TListBox::Clear() {
    pending_.clear();
    if (!updating_) model_.Reset({});
}

void TListBox::BeginUpdate() {
    updating_ = true;
    pending_ = model_.rows;
}

void TListBox::EndUpdate() {
    updating_ = false;
    model_.Apply(std::move(pending_));
    pending_.clear();
}

void TListBox::Add(const Bytes& row) {
    try {
        if (updating_) pending_.push_back(row);
        else model_.Append(row);
    } catch (const std::bad_alloc&) {
        throw EListError("行を挿入できません");
    }
}

void TListBox::Insert(int index, const Bytes& row) {
    CheckRowIndex(index, Count() + 1);
    if (updating_) pending_.insert(pending_.begin() + index, row);
    else model_.InsertRow(index, row);
}

void TListBox::Delete(int index) {
    CheckRowIndex(index, Count());
    if (updating_) pending_.erase(pending_.begin() + index);
    else model_.RemoveRow(index);
}

// The count stays, so the view keeps its layout of uniform rows: only the
// changed rows in view are told. Telling the whole range, or a removal and
// an insertion, makes Qt's list view do work for every row, some ms at 100,000.
void TListBox::Move(int from, int to, const Bytes& row) {
    CheckRowIndex(from, Count());
    CheckRowIndex(to, Count());
    if (updating_) {
        pending_.erase(pending_.begin() + from);
        pending_.insert(pending_.begin() + to, row);
        return;
    }
    const auto [first, last] = model_.MoveRow(from, to, row);
    const QModelIndex top = indexAt(viewport()->rect().topLeft());
    const QModelIndex bottom = indexAt(viewport()->rect().bottomLeft());
    const int shownFirst = top.isValid() ? top.row() : 0;
    const int shownLast = bottom.isValid() ? bottom.row() : Count() - 1;
    const int changedFirst = std::max(first, shownFirst), changedLast = std::min(last, shownLast);
    if (changedFirst <= changedLast) emit model_.dataChanged(model_.index(changedFirst), model_.index(changedLast));
}

int TListBox::Count() const { return updating_ ? static_cast<int>(pending_.size()) : model_.rowCount(); }

const Bytes& TListBox::Item(int index) const {
    const std::vector<Bytes>& rows = updating_ ? pending_ : model_.rows;
    CheckRowIndex(index, static_cast<int>(rows.size()));
    return rows[index];
}

int TListBox::ItemIndex() const {
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void TListBox::SetItemIndex(int index) {
    if (index < 0 || index >= model_.rowCount()) {
        selectionModel()->clearSelection();
        return;
    }
    const QModelIndex at = model_.index(index);
    selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    scrollTo(at);
}

void TListBox::SelectByUser(int row) {
    if (row < 0 || row >= Count()) return;
    SetItemIndex(row);
    if (OnClick) RunHandler(OnClick);
}

// Only a left press on a row picks; no other button, drag or release moves the
// selection, so the highlighted row is always the current file.
void TListBox::mousePressEvent(QMouseEvent* event) {
    event->accept();
    setFocus(Qt::MouseFocusReason);
    const QModelIndex at = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && at.isValid()) SelectByUser(at.row());
}

void TListBox::mouseMoveEvent(QMouseEvent* event) { event->accept(); }
void TListBox::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }
void TListBox::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void TListBox::keyPressEvent(QKeyEvent* event) {
    static const std::map<int, ListKey> keys = {
        {Qt::Key_Up, ListKey::Up},         {Qt::Key_Left, ListKey::Up},           {Qt::Key_Down, ListKey::Down},
        {Qt::Key_Right, ListKey::Down},    {Qt::Key_PageUp, ListKey::PageUp},     {Qt::Key_PageDown, ListKey::PageDown},
        {Qt::Key_Home, ListKey::Home},     {Qt::Key_End, ListKey::End},
    };
    if (auto key = keys.find(event->key()); key != keys.end()) {
        event->accept();
        const int rowsPerPage = viewport()->height() / std::max(1, model_.rowHeight) - 1;
        const std::optional<int> target = NavigationTarget(key->second, ItemIndex(), Count(), rowsPerPage);
        if (target && *target != ItemIndex()) SelectByUser(*target);  // a move that goes nowhere selects nothing new
        return;
    }
    if (event->key() == Qt::Key_Select || (event->key() == Qt::Key_Space && event->modifiers() != Qt::NoModifier)) {
        event->accept();  // Ctrl+Space would clear the highlight without a pick
        return;
    }
    const bool backspace = event->key() == Qt::Key_Backspace;
    if (backspace || (!event->text().isEmpty() && event->text().at(0).isPrint())) {
        event->accept();
        const std::optional<int> row = typeToSelect_.Key(backspace ? std::u16string() : event->text().toStdU16String(),
                                                         clock_.elapsed(), Count(),
                                                         [this](int at) { return ToUtf16(model_.rows[at]); });
        if (row) SelectByUser(*row);
        return;
    }
    QListView::keyPressEvent(event);
}
