#include "screens/RtfGroupState.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace umbraxis::rtf {

namespace {

// See GroupStack.
constexpr std::size_t kMaxDepth = 1000;

// Half-points; anything bigger is damage, and huge fonts are slow to draw.
constexpr int kMaxFontSize = 2000;

// Character properties that a word turns on, or off with a parameter of 0.
constexpr std::pair<Key, bool CharProps::*> kCharacterSwitches[] = {
    {Key::Bold, &CharProps::bold},     {Key::Italic, &CharProps::italic}, {Key::Underline, &CharProps::underline},
    {Key::Strike, &CharProps::strike}, {Key::Hidden, &CharProps::hidden},
};

// Paragraph lengths a word sets to its parameter, and whether they may be
// negative.
struct ParagraphLength {
    Key key;
    int ParaProps::*member;
    bool signedLength;
};
constexpr ParagraphLength kParagraphLengths[] = {
    {Key::LeftIndent, &ParaProps::leftIndent, true},   {Key::RightIndent, &ParaProps::rightIndent, true},
    {Key::FirstIndent, &ParaProps::firstIndent, true}, {Key::SpaceBefore, &ParaProps::spaceBefore, false},
    {Key::SpaceAfter, &ParaProps::spaceAfter, false},
};

bool setParagraphLength(ParaProps& para, Key key, int param)
{
    for (const ParagraphLength& length : kParagraphLengths) {
        if (length.key == key) {
            para.*length.member = length.signedLength ? param : std::max(0, param);
            return true;
        }
    }
    return false;
}

} // namespace

void GroupStack::open()
{
    if (m_stack.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_state);
}

Destination GroupStack::close()
{
    if (m_overflow > 0) {
        --m_overflow;
        return Destination::Text;
    }
    if (m_stack.empty())
        return Destination::Text;
    const Destination ended = m_state.destination;
    m_state = m_stack.back();
    m_stack.pop_back();
    return ended;
}

bool applyCharacterWord(CharProps& chars, const KeyInfo& info, bool hasParam, int param)
{
    const bool on = !hasParam || param != 0;
    switch (info.key) {
    case Key::Plain: chars = CharProps(); break;
    case Key::Font: chars.font = std::max(0, param); break;
    case Key::FontSize: chars.halfPoints = std::clamp(param, 0, kMaxFontSize); break;
    case Key::Color: chars.color = std::max(0, param); break;
    case Key::NoUnderline: chars.underline = false; break;
    case Key::Vertical: chars.vertical = QTextCharFormat::VerticalAlignment(info.value); break;
    case Key::Caps: chars.caps = on ? QFont::Capitalization(info.value) : QFont::MixedCase; break;
    default: {
        const auto found = std::find_if(std::begin(kCharacterSwitches), std::end(kCharacterSwitches),
                                        [&info](const auto& entry) { return entry.first == info.key; });
        if (found == std::end(kCharacterSwitches))
            return false;
        chars.*found->second = on;
        break;
    }
    }
    return true;
}

bool applyParagraphWord(ParaProps& para, const KeyInfo& info, int param)
{
    if (info.key == Key::Pard)
        para = ParaProps();
    else if (info.key == Key::Align)
        para.align = Align(info.value);
    else if (info.key == Key::InTable)
        para.inTable = true;
    else if (info.key == Key::TableLevel)
        para.inTable = param > 0;
    else if (info.key == Key::RightToLeft)
        para.rightToLeft = info.value != 0;
    else
        return setParagraphLength(para, info.key, param);
    return true;
}

} // namespace umbraxis::rtf
