#include "scripteddialogs.h"

namespace borovka {

QString kindName(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Open: return QStringLiteral("Open");
    case ScriptedDialogs::Kind::Save: return QStringLiteral("Save");
    case ScriptedDialogs::Kind::Font: return QStringLiteral("Font");
    case ScriptedDialogs::Kind::Color: return QStringLiteral("Color");
    case ScriptedDialogs::Kind::Message: return QStringLiteral("Message");
    }
    return {};
}

ScriptedDialogs &ScriptedDialogs::acceptFile(Kind kind, const QString &fileName)
{
    return accept(kind, [fileName](DialogValues &v) { v.FileName = fileName; });
}

ScriptedDialogs &ScriptedDialogs::accept(Kind kind, std::function<void(DialogValues &)> edit)
{
    m_script.append({kind, true, std::move(edit), MsgBox::Ok});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::cancel(Kind kind)
{
    m_script.append({kind, false, {}, MsgBox::Cancel});
    return *this;
}

ScriptedDialogs &ScriptedDialogs::answer(int result)
{
    m_script.append({Kind::Message, true, {}, result});
    return *this;
}

void ScriptedDialogs::clear()
{
    shown.clear();
    m_script.clear();
    m_problems.clear();
}

bool ScriptedDialogs::takeStep(Kind kind, Step &step)
{
    if (m_script.isEmpty()) {
        m_problems << QStringLiteral("unexpected %1 dialog").arg(kindName(kind));
        return false;
    }
    step = m_script.takeFirst();
    if (step.kind != kind) {
        m_problems << QStringLiteral("expected a %1 dialog, got %2")
                          .arg(kindName(step.kind), kindName(kind));
        return false;
    }
    return true;
}

bool ScriptedDialogs::showDialog(Kind kind, DialogValues &values)
{
    shown.append({kind, values, {}, {}, 0});
    Step step;
    if (!takeStep(kind, step) || !step.ok)
        return false;
    if (step.edit)
        step.edit(values);
    return true;
}

bool ScriptedDialogs::showOpen(DialogValues &values) { return showDialog(Kind::Open, values); }
bool ScriptedDialogs::showSave(DialogValues &values) { return showDialog(Kind::Save, values); }
bool ScriptedDialogs::showFont(DialogValues &values) { return showDialog(Kind::Font, values); }
bool ScriptedDialogs::showColor(DialogValues &values) { return showDialog(Kind::Color, values); }

int ScriptedDialogs::messageBox(const QString &prompt, int buttons, const QString &title)
{
    shown.append({Kind::Message, {}, prompt, title, buttons});
    Step step;
    if (!takeStep(Kind::Message, step))
        return MsgBox::Cancel;
    return step.result;
}

} // namespace borovka
