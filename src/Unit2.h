#pragma once
#include <QDialog>
#include <QPoint>
#include <functional>

#include "ui_TForm2.h"

// The confirmation dialog: old name, "↓", new name, "リネームしますか？".
class TForm2 : public QDialog, public Ui::TForm2 {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Modal; centred the first time, then where the user left it; the focus on
    // "はい" the first time, then on the button that last held it.
    int ShowModal();
    void Button1Click();
    void Button2Click();

    // What "はい" runs: the main window's rename.
    std::function<void()> OnYes;

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool shownBefore_ = false;
    QPoint lastPosition_;
    QWidget* lastFocus_ = nullptr;
};
