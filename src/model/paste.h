#pragma once

// Content moved between documents (paste, drop, a document inserted into
// another) with what the text alone does not carry: the bytes of its
// pictures, so the target document keeps and saves them as the source
// would.

class QTextCursor;
class QTextDocument;

namespace model {

// Inserts the whole of `source` at `cursor`, with the bytes of its
// pictures.
void insertDocument(QTextCursor &cursor, const QTextDocument &source);

// Inserts the selection of `selection` at `cursor` (another document),
// with the bytes of its pictures.
void insertSelection(QTextCursor &cursor, const QTextCursor &selection);

} // namespace model
