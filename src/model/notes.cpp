#include "notes.h"

#include <QTextCharFormat>

namespace model {

bool isNoteMark(const QTextCharFormat &format)
{
    return format.hasProperty(NoteRtf);
}

QString noteToolTip(const QTextCharFormat &format)
{
    return isNoteMark(format) ? format.stringProperty(NoteText) : QString();
}

} // namespace model
