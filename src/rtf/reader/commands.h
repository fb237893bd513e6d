// The control words the reader knows: one table that says of each word
// what kind of word it is and what it does. Needs only Qt's core.

#pragma once

#include "model/notes.h"
#include "rtf/readerlimits.h"
#include "rtf/tokenizer/tokenizer.h"

#include <QtGlobal>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <unordered_map>

namespace rtf::detail {

enum class Cmd {
    // destinations
    FontTable, ColorTable, SkipDest, Upr, Ud, Object, Result, FldInst, FldRslt, Pict, ShpPict, ShpInst, Sp, Sn, Sv, ShpRslt,
    FontAltName,
    // document
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // font table
    Font, FCharset, Cpg, FontClass,
    // colour table
    Red, Green, Blue,
    // character format
    Plain, FontSize, Bold, Italic, Strike, StrikeD, Underline, UnderlineStyle, UlNone, Hidden, Caps, SmallCaps,
    Cf, Cb, Highlight, Sub, Super, NoSuperSub, Up, Dn,
    // paragraph format
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Tx, TabKind, PageBefore,
    // text and breaks
    Par, Sect, Page, Line, Tab, Cell, Row, Char, Unicode, Uc, Bin,
    // shapes
    Shp,
    // tables
    RowDefaults, CellX, TrGaph, TrLeft, TrAlign, TrHeader, InTable, Itap, NestCell, NestRow, NestTableProps,
    CellMerge, CellVMerge, CellVAlign, CellShading, CellBorder, BorderWidth, BorderColor, BorderStyle,
    // lists, headings and rules (the first four are destinations)
    ListTable, ListOverrideTable, Pn, ListText, Ls, Ilvl, OutlineLevel, BorderBottom,
    // notes
    Footnote, Chftn, FtnAlt, FtnStart, AftnStart, FtnNumbering, AftnNumbering,
    Header, PageWord, SectionWord, SectionDefault, DefTab, DefLang, Info, InfoText, Generator, InfoTime, InfoTimeWord,
    // styles
    StyleSheet, ParStyle, CharStyle, BasedOn, NextStyle, // and OutlineLevel, shared with the lists
    // opaque pieces
    Bookmark, OpaqueGroup, Chatn,
    // language
    Lang, NoProof,
    // tables: row borders, row and cell padding
    RowBorder, RowPadding, CellPadding,
};

// How notes are numbered (\ftnnar, \ftnnalc ...).
using model::NoteNumbering;

// What kind of word a control word is, which says where its value comes
// from and which part of the reader takes it.
enum class Kind : quint8 {
    Destination, // starts what its group's text is: \fonttbl, \pict, \footnote ...
    Symbol,      // stands for text or a break: \par, \tab, \emdash, \u ...
    Flag,        // its meaning is the table's argument: \qc, \clmgf, \brdrdb ...
    Toggle,      // on, or off with a parameter of 0: \b, \b0
    Value,       // its parameter is the file's value: \fs24, \cellx1440
};

// Which part of the document a word describes, and so which part of the
// reader takes it. Object: fields, pictures, shapes and embedded objects.
enum class Concern : quint8 { Document, Character, Paragraph, Table, Style, Object };

// The slot of the reader's \\info texts that keeps {\\*\\generator}.
inline constexpr int kGeneratorInfo = 15;

struct CmdInfo {
    Cmd cmd;
    int arg = 0; // the character, the underline style, the side of a border ...
    Kind kind = Kind::Flag;
    Concern concern = Concern::Document;
    // The word names a destination a reader may skip unknown: "{\*\word"
    // is read only for these, any other word after \* makes the group
    // one this reader does not know.
    bool afterStar = false;
    // The part of the reader that takes the word, from its kind and concern.
    enum class Handler : quint8 {
        DocumentDestination, ObjectDestination, TableDestination, Symbol, Document, Character, Paragraph, Table, Style
    } handler = Handler::Document;
    // The word's value: the table's argument for a flag, the file's
    // parameter otherwise.
    int value(int param) const { return kind == Kind::Flag ? arg : param; }
};

// Every control word the reader knows, by name.
const std::unordered_map<std::string_view, CmdInfo> &commands();

inline int clampInt(qint64 v, int lo, int hi)
{
    return int(std::clamp<qint64>(v, lo, hi));
}

} // namespace rtf::detail
