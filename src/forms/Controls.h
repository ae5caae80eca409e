// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/Errors.h"
#include "viewer/AcroPdfHost.h"  // IPdfViewer

// The controls the windows' logic speaks to, each carrying byte strings in the
// system code page. A front end (Qt today, Win32 next) implements them; tests
// can put doubles in their place.

class IControl {
public:
    virtual ~IControl() = default;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetVisible(bool visible) = 0;
};

class IEdit : public virtual IControl {
public:
    virtual Bytes Text() const = 0;
    virtual void SetText(const Bytes& text) = 0;
    // Puts `text` in place of the selection, or at the cursor.
    virtual void ReplaceSelection(const Bytes& text) = 0;
    // All of the text selected, so that typing replaces it.
    virtual void SelectAll() = 0;
};

// Labels, push buttons, speed buttons and windows: a caption.
class ICaptioned : public virtual IControl {
public:
    virtual Bytes Caption() const = 0;
    virtual void SetCaption(const Bytes& caption) = 0;
};

class ICheckBox : public virtual IControl {
public:
    virtual bool Checked() const = 0;
};

// A menu item whose check mark only the program sets.
class IMenuItem {
public:
    virtual ~IMenuItem() = default;
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

// The folder list: rows of bytes, at most one selected. The program's own
// selections never run the pick handler.
// Raises "リストのインデックスが範囲を超えています (%d)" unless 0 <= index < end.
inline void CheckRowIndex(int index, int end) {
    if (index < 0 || index >= end) throw EListError(Format("リストのインデックスが範囲を超えています (%d)", index));
}

class IListBox {
public:
    virtual ~IListBox() = default;
    virtual void Clear() = 0;
    // Rows added between BeginUpdate and EndUpdate reach the screen in one go.
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;
    virtual void Add(const Bytes& row) = 0;
    // One row in or out where a change of the folder asks, without listing it again.
    virtual void Insert(int index, const Bytes& row) = 0;
    virtual void Delete(int index) = 0;
    // A renamed row: the row at `from` goes and `row` comes in at `to`
    // (counted without it), the count unchanged.
    virtual void Move(int from, int to, const Bytes& row) = 0;
    virtual int Count() const = 0;
    // Raises "リストのインデックスが範囲を超えています (%d)" for an index with no row.
    virtual const Bytes& Item(int index) const = 0;
    virtual int ItemIndex() const = 0;            // -1 when no row is selected
    virtual void SetItemIndex(int index) = 0;     // -1 selects nothing
};

// The name box's drop-down of candidates. Its rows are names to choose, or
// one line, not choosable, that says why there are none; the user opens it.
class IDropDownList : public virtual IControl {
public:
    virtual void SetRows(const std::vector<Bytes>& rows, bool choosable) = 0;
};

// A top-level window: its title and its closing.
class IWindow {
public:
    virtual ~IWindow() = default;
    virtual Bytes Caption() const = 0;
    virtual void SetCaption(const Bytes& caption) = 0;
    virtual void Close() = 0;
};

// A window that runs modally until it is closed.
class IModalDialog {
public:
    virtual ~IModalDialog() = default;
    virtual int ShowModal() = 0;
    virtual void Close() = 0;
};

// The boxes with the stop icon and one OK button.
class IMessageBoxes {
public:
    enum class Kind { ForbiddenCharBox };
    virtual ~IMessageBoxes() = default;
    virtual void ShowStop(Kind kind, const Bytes& caption, const Bytes& text) = 0;
    // A question with はい and いいえ; true for はい.
    virtual bool AskYesNo(const Bytes& caption, const Bytes& text) = 0;
};

// An open-file dialog: its one filter entry and the file last chosen in it.
struct TOpenDialog {
    Bytes Filter;  // "text|pattern"
    Bytes FileName;
};
