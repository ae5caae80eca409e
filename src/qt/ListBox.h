// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QListView>
#include <functional>
#include <vector>

#include "core/Bytes.h"
#include "forms/Controls.h"
#include "forms/ListNavigation.h"

// Rows held as bytes; text for showing is made only for rows in view.
class ByteListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    std::vector<Bytes> rows;
    int rowHeight = 12;
    void Reset(std::vector<Bytes> newRows);
    // Turns the rows into `newRows` by removing and inserting only what differs.
    void Apply(std::vector<Bytes> newRows);
    void Append(const Bytes& row);
    void InsertRow(int index, const Bytes& row);
    void RemoveRow(int index);
    // Rows between `from` and `to` change in place; returns the first and last row changed.
    std::pair<int, int> MoveRow(int from, int to, const Bytes& row);
};

// The folder list: a single-selection, unsorted list of byte rows. The
// program's own selections never run the pick handler; the user's do: a click,
// the arrow keys, Page Up/Down, Home, End and type-to-select.
class TListBox : public QListView, public IListBox {
    Q_OBJECT
public:
    explicit TListBox(QWidget* parent = nullptr);

    void Clear() override;
    // Rows appended between BeginUpdate and EndUpdate reach the view in one go.
    void BeginUpdate() override;
    void EndUpdate() override;
    void Add(const Bytes& row) override;
    void Insert(int index, const Bytes& row) override;
    void Delete(int index) override;
    void Move(int from, int to, const Bytes& row) override;
    int Count() const override;
    // Raises "リストのインデックスが範囲を超えています (%d)" for an index with no row.
    const Bytes& Item(int index) const override;
    int ItemIndex() const override;    // -1 when no row is selected
    void SetItemIndex(int index) override;  // selects and scrolls into view; no pick
    std::function<void()> OnClick;      // the user's own selections

    // The pause after which type-to-select starts a new search.
    static constexpr int kSearchPauseMs = TypeToSelect::kPauseMs;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString&) override {}
    void changeEvent(QEvent* event) override;

private:
    void SelectByUser(int row);
    void FitRowHeightToFont();

    ByteListModel model_;
    std::vector<Bytes> pending_;
    bool updating_ = false;
    TypeToSelect typeToSelect_;
    QElapsedTimer clock_;
};
