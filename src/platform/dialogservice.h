#pragma once

// The one seam through which the editor asks the user anything: the four
// common dialogs and the message box. QtDialogs shows real dialogs;
// ScriptedDialogs answers from a script so every command runs in tests.

#include <QColor>
#include <QString>

namespace borovka {

// Message-box button sets and results, in the codes the commands test.
namespace MsgBox {
constexpr int OkOnly = 0;
constexpr int YesNoCancel = 3;
constexpr int YesNo = 4;

constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgBox

// Every value the dialog object keeps between uses, with its initial value.
struct DialogValues {
    // File dialogs
    QString DialogTitle;
    QString Filter;
    QString DefaultExt;
    QString FileName;
    int MaxFileSize = 260;

    // Shared by all four dialogs; only the font and colour commands set it.
    int Flags = 0;

    // Font dialog
    QString FontName;
    double FontSize = 8.0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;
    bool FontStrikethru = false;

    // Font and colour dialogs
    QColor Color = QColor(0, 0, 0);

    bool operator==(const DialogValues &) const = default;
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // Each shows its dialog modally, starting from `values`. On OK it
    // updates `values` with what the user chose and returns true; on
    // Cancel (or a closed dialog) it returns false and changes nothing.
    virtual bool showOpen(DialogValues &values) = 0;
    virtual bool showSave(DialogValues &values) = 0;
    virtual bool showFont(DialogValues &values) = 0;
    virtual bool showColor(DialogValues &values) = 0;

    // A modal message box without an icon; the first button is the
    // default. Returns MsgBox::Ok, Yes or No, or MsgBox::Cancel for
    // Cancel and for a box closed any other way.
    virtual int messageBox(const QString &prompt, int buttons, const QString &title) = 0;
};

} // namespace borovka
