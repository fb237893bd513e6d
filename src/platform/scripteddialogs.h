#pragma once

#include "dialogservice.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace borovka {

// Answers dialogs and message boxes from a script, in order, and records
// what was shown. A dialog nobody scripted is cancelled and reported in
// problems(), so a test sees an unexpected question instead of hanging.
class ScriptedDialogs : public DialogService {
public:
    enum class Kind { Open, Save, Font, Color, Message };

    struct Shown {
        Kind kind;
        DialogValues values; // what the dialog opened with
        QString prompt;      // message boxes only
        QString title;
        int buttons = 0;
    };

    // OK in a file dialog with `fileName` typed or picked.
    ScriptedDialogs &acceptFile(Kind kind, const QString &fileName);
    // OK in any dialog after `edit` has changed what the user changes.
    ScriptedDialogs &accept(Kind kind, std::function<void(DialogValues &)> edit = {});
    // Cancel in a dialog of this kind.
    ScriptedDialogs &cancel(Kind kind);
    // The button pressed in the next message box.
    ScriptedDialogs &answer(int result);

    bool showOpen(DialogValues &values) override;
    bool showSave(DialogValues &values) override;
    bool showFont(DialogValues &values) override;
    bool showColor(DialogValues &values) override;
    int messageBox(const QString &prompt, int buttons, const QString &title) override;

    QList<Shown> shown;
    int pending() const { return int(m_script.size()); }
    QStringList problems() const { return m_problems; }
    void clear();

private:
    struct Step {
        Kind kind;
        bool ok = true;
        std::function<void(DialogValues &)> edit;
        int result = MsgBox::Cancel;
    };
    bool showDialog(Kind kind, DialogValues &values);
    bool takeStep(Kind kind, Step &step);

    QList<Step> m_script;
    QStringList m_problems;
};

QString kindName(ScriptedDialogs::Kind kind);

} // namespace borovka
