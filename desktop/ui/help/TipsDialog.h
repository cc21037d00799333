// TipsDialog ("Handrel Tips"): one of the program's tips at start, with Next
// for the following one and "Show tips at startup" tied to the stored `Tip`
// (the index of the next tip to show; -1 switches the window off). Closing
// it stores the tip after the last one shown, or -1 when the box was
// unticked. User-interface thread; modeless, deletes itself on closing; it
// borrows the settings store, which must outlive it.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace hd::desktop {

class Settings;

class TipsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TipsDialog(Settings& store, QWidget* parent = nullptr);

    // Shows the window over parent when the store says tips are on; null otherwise.
    static TipsDialog* ShowAtStart(Settings& store, QWidget* parent);

    int Shown() const { return m_index; }
    QString Text() const;
    void Next();

protected:
    void done(int result) override;

private:
    void ShowTip();

    Settings& m_store;
    int m_index;
    QLabel* m_text;
    QCheckBox* m_atStart;
};

}  // namespace hd::desktop
