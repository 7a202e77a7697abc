#pragma once

#include "screens/RtfKeywords.h"

#include <QFont>
#include <QTextCharFormat>

#include <vector>

namespace umbraxis::rtf {

struct CharProps {
    int font = -1;      // -1: the document's default font
    int halfPoints = 0; // 0: the size of the base font
    int color = 0;      // 0: the default colour
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    QTextCharFormat::VerticalAlignment vertical = QTextCharFormat::AlignNormal;
    QFont::Capitalization caps = QFont::MixedCase;

    bool operator==(const CharProps&) const = default;
};

enum class Align { Left, Center, Right, Justify };

// Lengths are in twips (1440 an inch), as the data gives them.
struct ParaProps {
    Align align = Align::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool inTable = false;
    bool rightToLeft = false;
};

// Where the characters of a group go.
enum class Destination { Text, Skip, FontTable, ColorTable };

// What a group saves when it opens and gets back when it ends.
struct GroupState {
    CharProps chars;
    ParaProps para;
    Destination destination = Destination::Text;
    int fallbackLength = 1; // characters that follow a \u for readers without Unicode
};

// The groups open at the point of the data being read. Groups nested deeper
// than a fixed limit are counted but get no state of their own, so that a
// file of nothing but '{' cannot use up memory.
class GroupStack {
public:
    GroupState& current() { return m_state; }
    const GroupState& current() const { return m_state; }

    void open();
    // Ends the innermost group and takes up the state of the one around it.
    // Returns the destination of the group that ended, or Text when no state
    // changed (a group beyond the limit, or a '}' with no group open, which
    // is damage that reading goes on after).
    Destination close();

private:
    GroupState m_state;
    std::vector<GroupState> m_stack;
    int m_overflow = 0;
};

// Changes the character properties as the formatting word says; false when
// the word sets no character property.
bool applyCharacterWord(CharProps& chars, const KeyInfo& info, bool hasParam, int param);
// Changes the paragraph properties as the formatting word says; false when
// the word sets no paragraph property.
bool applyParagraphWord(ParaProps& para, const KeyInfo& info, int param);

} // namespace umbraxis::rtf
