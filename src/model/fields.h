#pragma once

// Fields as RTF and Word documents give them: an instruction in Word's
// field language, kept as it is, and the result shown.

#include <QString>
#include <QStringList>

namespace model {

// The arguments of a field instruction: words and quoted strings, with
// the field's escapes inside quotes resolved.
QStringList fieldArguments(const QString &instruction);

// The target of a HYPERLINK field instruction: its address, with "#place"
// for the \l switch; empty for other fields.
QString hyperlinkTarget(const QString &instruction);

} // namespace model
