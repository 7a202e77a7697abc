#pragma once

#include "screens/RtfGroupState.h"
#include "screens/RtfTables.h"

#include <QString>
#include <QTextCursor>
#include <QTextTableFormat>

#include <vector>

class QTextDocument;

namespace umbraxis::rtf {

struct Run {
    CharProps props;
    QString text;
};

struct Paragraph {
    ParaProps para;
    CharProps mark; // the paragraph mark's format, which sizes an empty line
    std::vector<Run> runs;
};

struct TableCell {
    std::vector<Paragraph> paragraphs;
};

struct TableRow {
    std::vector<TableCell> cells;
    std::vector<int> edges; // right edges of the cells, twips
    int left = 0;
    bool borders = false;
    Qt::Alignment alignment = Qt::AlignLeft;
};

// Builds the document from the text and properties the reader hands it, as
// blocks, character formats and tables. A paragraph's properties are those
// in force at its end, so its text is held until then; only then is it
// known whether it is in a table. The rows of a table are held until the
// table ends, and then the table is built whole.
class DocumentWriter {
public:
    // The tables give the fonts and colours that formats name.
    DocumentWriter(QTextDocument& document, const FontTable& fonts, const ColorTable& colors);

    void begin();
    // Writes what is still held; `state` is the state at the end of the data.
    void finish(const GroupState& state);

    void addText(const CharProps& chars, char16_t ch);
    // Whether the paragraph being read holds any text yet.
    bool hasText() const { return !m_runs.empty(); }

    void endParagraph(const GroupState& state);
    void endCell(const GroupState& state);
    void endRow(const GroupState& state);

    // Takes a word of the page's or the table row's layout; false when the
    // word says nothing about them.
    bool layoutWord(const KeyInfo& info, int param);

private:
    Paragraph takeParagraph(const GroupState& state);
    void writeParagraph(const Paragraph& paragraph);
    void writeTable(const GroupState& state);
    QTextTableFormat tableFormat(int columns) const;
    QTextCharFormat charFormat(const CharProps& props) const;

    const FontTable& m_fonts;
    const ColorTable& m_colors;
    QTextCursor m_cursor;
    bool m_blockUsed = false; // the cursor's block already holds a paragraph

    // The page, in twips. The format assumes Letter paper with 1.25 inch
    // side margins when the document gives none.
    struct Page {
        int paperWidth = 12240;
        int leftMargin = 1800;
        int rightMargin = 1800;
    };
    Page m_page;

    std::vector<Run> m_runs; // the text of the paragraph being read

    // The row definition in force; writers give it before a row's cells and
    // again before its \row.
    std::vector<int> m_rowEdges;
    int m_rowLeft = 0;
    bool m_rowBorders = false;
    Qt::Alignment m_rowAlignment = Qt::AlignLeft;
    bool m_tableBorderSide = false; // the last border named was a cell's or a row's

    TableCell m_cell;
    TableRow m_row;
    std::vector<TableRow> m_rows;
};

} // namespace umbraxis::rtf
