#pragma once

// How every reader fills a document: afresh, without undo steps of its own,
// and all or nothing.

#include <QTextCursor>
#include <QTextDocument>

namespace model {

// Undo and redo off while a document is built, the caller's setting back
// however the build ends (a refused file included).
class UndoPaused {
public:
    explicit UndoPaused(QTextDocument &doc)
        : m_doc(doc), m_undo(doc.isUndoRedoEnabled())
    {
        doc.setUndoRedoEnabled(false);
    }
    ~UndoPaused() { m_doc.setUndoRedoEnabled(m_undo); }
    UndoPaused(const UndoPaused &) = delete;
    UndoPaused &operator=(const UndoPaused &) = delete;

private:
    QTextDocument &m_doc;
    bool m_undo;
};

// Empties the document and builds it through `build(cursor)` as one edit,
// so Qt lays nothing out until it is done. A build that throws leaves an
// empty document, not half of one that a save would make permanent.
template <class Build>
void buildDocument(QTextDocument &doc, Build &&build)
{
    const UndoPaused paused(doc);
    doc.clear();
    QTextCursor edit(&doc);
    edit.beginEditBlock();
    try {
        build(edit);
    } catch (...) {
        edit.endEditBlock();
        doc.clear();
        throw;
    }
    edit.endEditBlock();
}

} // namespace model
