#include "screens/RtfDocumentWriter.h"

#include <QList>
#include <QTextBlockFormat>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <iterator>
#include <utility>

namespace umbraxis::rtf {

namespace {

// Lengths are given in twips (1440 an inch); the screen has 96 pixels an inch.
constexpr double kTwipsPerPixel = 15.0;

// More columns than any real table has; damaged data asking for more would
// otherwise build a table too wide to lay out.
constexpr int kMaxColumns = 64;

// Merging cells re-indexes the whole table each time, so a table of many
// uneven rows stops merging after this many cell visits and leaves the short
// rows' missing cells empty instead.
constexpr long long kMergeBudget = 2'000'000;

bool isBlank(const std::vector<Run>& runs)
{
    return std::all_of(runs.begin(), runs.end(), [](const Run& run) { return run.text.trimmed().isEmpty(); });
}

QTextBlockFormat blockFormat(const ParaProps& para)
{
    static constexpr Qt::AlignmentFlag kAlignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight,
                                                        Qt::AlignJustify};
    // Indents and spaces, and where the block's format keeps each.
    static constexpr std::pair<int ParaProps::*, void (QTextBlockFormat::*)(qreal)> kLengths[] = {
        {&ParaProps::leftIndent, &QTextBlockFormat::setLeftMargin},
        {&ParaProps::rightIndent, &QTextBlockFormat::setRightMargin},
        {&ParaProps::firstIndent, &QTextBlockFormat::setTextIndent},
        {&ParaProps::spaceBefore, &QTextBlockFormat::setTopMargin},
        {&ParaProps::spaceAfter, &QTextBlockFormat::setBottomMargin},
    };
    QTextBlockFormat format;
    Qt::Alignment alignment = kAlignments[int(para.align)];
    // Left and right are meant as on the page, also in right-to-left paragraphs.
    if (para.rightToLeft && (para.align == Align::Left || para.align == Align::Right))
        alignment |= Qt::AlignAbsolute;
    format.setAlignment(alignment);
    if (para.rightToLeft)
        format.setLayoutDirection(Qt::RightToLeft);
    for (const auto& [length, set] : kLengths)
        if (para.*length != 0)
            (format.*set)(para.*length / kTwipsPerPixel);
    // A hanging first line (a bullet or a number before a list item) has
    // a tab stop at the paragraph's own indent, so that its text lines up
    // with the lines below it. Tab stops count from the first line's start.
    if (para.firstIndent < 0)
        format.setTabPositions({QTextOption::Tab(-para.firstIndent / kTwipsPerPixel, QTextOption::LeftTab)});
    return format;
}

} // namespace

DocumentWriter::DocumentWriter(QTextDocument& document, const FontTable& fonts, const ColorTable& colors)
    : m_fonts(fonts)
    , m_colors(colors)
    , m_cursor(&document)
{
}

void DocumentWriter::begin()
{
    m_cursor.beginEditBlock();
}

void DocumentWriter::finish(const GroupState& state)
{
    // Spaces or line ends after the last paragraph are no paragraph.
    if (isBlank(m_runs))
        m_runs.clear();
    if (!m_runs.empty())
        endParagraph(state);
    writeTable(state);
    m_cursor.endEditBlock();
}

void DocumentWriter::addText(const CharProps& chars, char16_t ch)
{
    if (chars.hidden)
        return;
    if (m_runs.empty() || !(m_runs.back().props == chars))
        m_runs.push_back({chars, QString()});
    m_runs.back().text.append(QChar(ch));
}

Paragraph DocumentWriter::takeParagraph(const GroupState& state)
{
    Paragraph paragraph{state.para, state.chars, std::move(m_runs)};
    m_runs.clear();
    return paragraph;
}

void DocumentWriter::endParagraph(const GroupState& state)
{
    if (state.para.inTable) {
        m_cell.paragraphs.push_back(takeParagraph(state));
        return;
    }
    writeTable(state);
    writeParagraph(takeParagraph(state));
}

void DocumentWriter::endCell(const GroupState& state)
{
    m_cell.paragraphs.push_back(takeParagraph(state));
    // A row of more cells than any table has: the rest join the last cell.
    if (m_row.cells.size() >= std::size_t(kMaxColumns)) {
        auto& last = m_row.cells.back().paragraphs;
        std::move(m_cell.paragraphs.begin(), m_cell.paragraphs.end(), std::back_inserter(last));
    } else {
        m_row.cells.push_back(std::move(m_cell));
    }
    m_cell = TableCell();
}

void DocumentWriter::endRow(const GroupState& state)
{
    // Writers put the row's properties again just before \row; stray
    // spaces among them are not a cell.
    if (isBlank(m_runs))
        m_runs.clear();
    if (!m_runs.empty() || !m_cell.paragraphs.empty())
        endCell(state);
    if (m_row.cells.empty())
        return;
    m_row.edges = m_rowEdges;
    m_row.left = m_rowLeft;
    m_row.borders = m_rowBorders;
    m_row.alignment = m_rowAlignment;
    m_rows.push_back(std::move(m_row));
    m_row = TableRow();
}

bool DocumentWriter::layoutWord(const KeyInfo& info, int param)
{
    static constexpr std::pair<Key, int Page::*> kPageLengths[] = {{Key::PaperWidth, &Page::paperWidth},
                                                                   {Key::LeftMargin, &Page::leftMargin},
                                                                   {Key::RightMargin, &Page::rightMargin}};
    for (const auto& [key, length] : kPageLengths) {
        if (key == info.key) {
            m_page.*length = param;
            return true;
        }
    }
    switch (info.key) {
    case Key::RowDefaults:
        m_rowEdges.clear();
        m_rowLeft = 0;
        m_rowBorders = false;
        m_rowAlignment = Qt::AlignLeft;
        m_tableBorderSide = false;
        break;
    case Key::RowLeft: m_rowLeft = param; break;
    case Key::RowAlign: m_rowAlignment = Qt::Alignment(info.value); break;
    case Key::CellEdge:
        if (m_rowEdges.size() < std::size_t(kMaxColumns))
            m_rowEdges.push_back(param);
        break;
    case Key::BorderSide: m_tableBorderSide = info.value != 0; break;
    case Key::BorderStyle:
        // Only a cell's or row's border draws the table's lines.
        if (m_tableBorderSide)
            m_rowBorders = true;
        break;
    default: return false;
    }
    return true;
}

void DocumentWriter::writeParagraph(const Paragraph& paragraph)
{
    if (m_blockUsed)
        m_cursor.insertBlock();
    m_cursor.setBlockFormat(blockFormat(paragraph.para));
    m_cursor.setBlockCharFormat(charFormat(paragraph.mark));
    for (const Run& run : paragraph.runs)
        m_cursor.insertText(run.text, charFormat(run.props));
    m_blockUsed = true;
}

// The rows read so far become one table. It is built whole, because a table
// grown a row at a time re-indexes all its cells on every row.
void DocumentWriter::writeTable(const GroupState& state)
{
    if (!m_row.cells.empty() || !m_cell.paragraphs.empty())
        endRow(state);
    if (m_rows.empty())
        return;

    int columns = 1;
    for (const TableRow& row : m_rows)
        columns = std::max(columns, int(row.cells.size()));
    QTextTable* table = m_cursor.insertTable(int(m_rows.size()), columns, tableFormat(columns));

    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const TableRow& row = m_rows[r];
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            m_cursor = table->cellAt(int(r), int(c)).firstCursorPosition();
            m_blockUsed = false;
            for (const Paragraph& paragraph : row.cells[c].paragraphs)
                writeParagraph(paragraph);
        }
    }
    // A row of fewer cells has wider ones; its last cell spans the rest.
    const long long cellCount = (long long)(m_rows.size()) * columns;
    long long spent = 0;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const int used = int(m_rows[r].cells.size());
        if (used >= columns)
            continue;
        spent += cellCount;
        if (spent > kMergeBudget)
            break;
        table->mergeCells(int(r), used - 1, 1, columns - used + 1);
    }

    m_cursor.setPosition(table->lastPosition() + 1);
    m_blockUsed = false;
    m_rows.clear();
}

QTextTableFormat DocumentWriter::tableFormat(int columns) const
{
    QTextTableFormat format;
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setBorderCollapse(true);
    const bool borders = std::any_of(m_rows.begin(), m_rows.end(), [](const TableRow& row) { return row.borders; });
    format.setBorder(borders ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setAlignment(m_rows.front().alignment);

    // Column widths come from the first row that has every column, as
    // shares of the row; the table is as wide, against the page's text
    // width, as the document made it.
    const auto model = std::find_if(m_rows.begin(), m_rows.end(), [columns](const TableRow& row) {
        return int(row.cells.size()) == columns && int(row.edges.size()) == columns;
    });
    if (model == m_rows.end())
        return format;
    // In 64 bits: the lengths are whatever numbers the document wrote.
    const qint64 total = qint64(model->edges.back()) - model->left;
    qint64 previous = model->left;
    QList<QTextLength> widths;
    for (const int edge : model->edges) {
        if (edge <= previous || total <= 0)
            return format;
        widths.append(QTextLength(QTextLength::PercentageLength, 100.0 * (edge - previous) / total));
        previous = edge;
    }
    format.setColumnWidthConstraints(widths);
    const qint64 textWidth = qint64(m_page.paperWidth) - m_page.leftMargin - m_page.rightMargin;
    if (textWidth > 0)
        format.setWidth(QTextLength(QTextLength::PercentageLength, std::min(100.0, 100.0 * total / textWidth)));
    return format;
}

QTextCharFormat DocumentWriter::charFormat(const CharProps& props) const
{
    QTextCharFormat format;
    const FontEntry* font = m_fonts.entry(props.font);
    // Symbol fonts are not used by name: their characters have been turned
    // into Unicode ones, which the usual fonts have.
    if (font && font->symbols == SymbolSet::None)
        format.setFontFamilies(QStringList{font->family});
    if (props.halfPoints > 0)
        format.setFontPointSize(props.halfPoints / 2.0);
    if (props.bold)
        format.setFontWeight(QFont::Bold);
    if (props.italic)
        format.setFontItalic(true);
    if (props.underline)
        format.setFontUnderline(true);
    if (props.strike)
        format.setFontStrikeOut(true);
    if (const QColor color = m_colors.color(props.color); color.isValid())
        format.setForeground(color);
    if (props.vertical != QTextCharFormat::AlignNormal)
        format.setVerticalAlignment(props.vertical);
    if (props.caps != QFont::MixedCase)
        format.setFontCapitalization(props.caps);
    return format;
}

} // namespace umbraxis::rtf
