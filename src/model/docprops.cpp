#include "docprops.h"

#include <QTextCharFormat>

namespace model {

QTextCharFormat typingFormat(const QTextCharFormat &before, const QTextCharFormat &after)
{
    QTextCharFormat f = before;
    for (const int p : {int(NoteId), int(NoteRtf), int(NoteText), int(NoteKind), int(NoteAutoNumber), int(NoteSelfMark),
                        int(OpaqueRtf), int(OpaqueText), int(QTextFormat::ObjectType)})
        f.clearProperty(p);
    if (f.intProperty(WrapId) != after.intProperty(WrapId)) {
        f.clearProperty(WrapId);
        f.clearProperty(WrapRtf);
    }
    return f;
}

} // namespace model
