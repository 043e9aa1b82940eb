#include "config/profile_text.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace velmora {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Length of the character at i: two for a GBK lead byte followed by a valid
// trail byte, one otherwise. Only bytes 0x40..0xFE (not 0x7F) can trail, so
// "=", blanks, ";" and line breaks always stand for themselves, whatever
// precedes them; "]" and letters can be the second half of a character.
std::size_t charLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x81 || lead == 0xFF || i + 1 >= text.size())
        return 1;
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    return (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) ? 2 : 1;
}

char foldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::size_t findAsciiOutsideCharacters(std::string_view text, char wanted, std::size_t from)
{
    for (std::size_t i = from; i < text.size(); i += charLength(text, i)) {
        if (text[i] == wanted)
            return i;
    }
    return std::string_view::npos;
}

// The longest prefix of at most kProfileValueLimit bytes that does not end
// in the first half of a two-byte character (which would show as garbage).
std::string_view capValue(std::string_view value)
{
    if (value.size() <= kProfileValueLimit)
        return value;
    std::size_t end = 0;
    while (end < value.size()) {
        const std::size_t next = end + charLength(value, end);
        if (next > kProfileValueLimit)
            break;
        end = next;
    }
    return value.substr(0, end);
}

enum class LineKind { Blank, Comment, Header, Entry, Other };

struct Line {
    std::size_t begin = 0; // first byte of the line's text
    std::size_t end = 0; // one past its text, where the line end starts
    std::size_t next = 0; // one past its line end
    LineKind kind = LineKind::Blank;
    bool named = false; // a header with its closing bracket
    std::string_view name; // section name of a header, key of an entry
    std::string_view value; // value of an entry, blanks removed
};

// The rules for every kind of line, the ones this program never writes
// included:
// - Lines end at CR LF, at a lone LF and at a lone CR; the last line needs no
//   line end. The writer keeps each line's own line end.
// - A UTF-8 byte-order mark at the very start is passed over, so the line
//   after it is read as usual; the writer keeps it in place.
// - Blank lines (nothing but spaces and tabs) carry no data.
// - A line whose first non-blank byte is ";" or "#" is a comment and carries
//   no data, even when it holds "=".
// - A line whose first non-blank byte is "[" is a header and ends the
//   section before it. The name runs to the first "]" (one that is not the
//   second byte of a GBK character), blanks around it removed; anything
//   after the "]" is ignored. A header without "]" opens a section that no
//   name matches, so a broken header never lends its lines to a neighbour.
// - Any other line with "=" is an entry: the key is the text before the
//   first "=", the value the text after it, both without surrounding blanks.
//   Quotes are ordinary bytes and stay part of the value, so that every
//   value saved comes back as it was.
// - Other lines (no "=") carry no data.
// - Entries before the first header belong to no section and are never
//   found; only the first header of a name counts, the entries under a
//   second header of the same name are never found and never changed; in
//   a section the first entry of a key counts.
// - NUL and any other byte are ordinary bytes: they end nothing. Lines may
//   be of any length; only the value handed back is cut.
void classify(std::string_view text, Line &line)
{
    line.named = false;
    line.name = {};
    line.value = {};
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first]))
        ++first;
    if (first == text.size()) {
        line.kind = LineKind::Blank;
        return;
    }
    const char lead = text[first];
    if (lead == ';' || lead == '#') {
        line.kind = LineKind::Comment;
        return;
    }
    if (lead == '[') {
        line.kind = LineKind::Header;
        const std::size_t close = findAsciiOutsideCharacters(text, ']', first + 1);
        if (close != std::string_view::npos) {
            line.named = true;
            line.name = trimBlanks(text.substr(first + 1, close - first - 1));
        }
        return;
    }
    const std::size_t equals = text.find('=', first);
    if (equals == std::string_view::npos) {
        line.kind = LineKind::Other;
        return;
    }
    line.kind = LineKind::Entry;
    line.name = trimBlanks(text.substr(first, equals - first));
    line.value = trimBlanks(text.substr(equals + 1));
}

class LineReader {
public:
    explicit LineReader(std::string_view text)
        : m_text(text)
    {
        if (m_text.starts_with(kUtf8Bom))
            m_pos = kUtf8Bom.size();
    }

    std::size_t start() const { return m_pos; }

    bool next(Line &line)
    {
        if (m_pos >= m_text.size())
            return false;
        line.begin = m_pos;
        std::size_t end = m_pos;
        const std::size_t size = m_text.size();
        const char *data = m_text.data();
        while (end < size && data[end] != '\r' && data[end] != '\n')
            ++end;
        line.end = end;
        if (end < size)
            end += (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ? 2 : 1;
        line.next = end;
        m_pos = end;
        classify(m_text.substr(line.begin, line.end - line.begin), line);
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of(kLineEnd) != std::string_view::npos;
}

std::string entryLine(std::string_view key, std::string_view value)
{
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);
    return line;
}

// Where one section of the result gets its entries from: an existing header
// of the content, or a header that the writes append.
struct SectionEdit {
    std::size_t header = 0; // line index of an existing header
    std::size_t insertAfter = 0; // line index after which new entries go
    std::size_t endLine = 0; // one past the section's last line
    std::string_view name; // name of an appended section
    std::vector<std::pair<std::string_view, std::string_view>> added; // new entries, in order
};

void setAddedEntry(SectionEdit &section, const ProfileWrite &write)
{
    for (auto &[key, value] : section.added) {
        if (profileNamesEqual(key, write.key)) {
            key = write.key;
            value = write.value;
            return;
        }
    }
    section.added.emplace_back(write.key, write.value);
}

} // namespace

bool profileNamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size();) {
        const std::size_t length = charLength(a, i);
        if (length == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += length;
    }
    return true;
}

bool isStorableWrite(const ProfileWrite &write)
{
    if (write.section.empty() || write.key.empty())
        return false;
    if (hasLineBreak(write.section) || hasLineBreak(write.key) || hasLineBreak(write.value))
        return false;
    // Storable when the lines the writer makes read back as these very
    // names: this rules out surrounding blanks, "]" in a section, "=" in a
    // key, a key that reads as a header or a comment, and a section ending
    // in half a character that would swallow the "]".
    Line line;
    // Appended rather than "[" + ...: GCC 12 warns falsely (-Wrestrict) on that form when optimising.
    std::string header(1, '[');
    header.append(write.section).append(1, ']');
    classify(header, line);
    if (line.kind != LineKind::Header || !line.named || line.name != write.section)
        return false;
    const std::string entry = entryLine(write.key, {});
    classify(entry, line);
    return line.kind == LineKind::Entry && line.name == write.key;
}

std::string findProfileValue(std::string_view content, std::string_view section, std::string_view key)
{
    const ProfileKey wanted { section, key };
    return std::move(findProfileValues(content, std::span(&wanted, 1)).front());
}

std::vector<std::string> findProfileValues(std::string_view content, std::span<const ProfileKey> keys)
{
    std::vector<std::string> values(keys.size());
    std::vector<bool> found(keys.size(), false);

    // Requests that name the same section share one class, so that a header
    // is compared with each distinct section name once.
    std::vector<std::string_view> sectionNames;
    std::vector<std::vector<std::size_t>> members;
    std::size_t pending = 0;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].section.empty() || keys[i].key.empty())
            continue;
        ++pending;
        auto known = std::find_if(sectionNames.begin(), sectionNames.end(),
            [&](std::string_view name) { return profileNamesEqual(name, keys[i].section); });
        const auto index = static_cast<std::size_t>(known - sectionNames.begin());
        if (known == sectionNames.end()) {
            sectionNames.push_back(keys[i].section);
            members.emplace_back();
        }
        members[index].push_back(i);
    }

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<bool> opened(sectionNames.size(), false);
    std::size_t current = kNone;
    LineReader reader(content);
    Line line;
    while (pending > 0 && reader.next(line)) {
        if (line.kind == LineKind::Header) {
            current = kNone;
            if (!line.named)
                continue;
            for (std::size_t s = 0; s < sectionNames.size(); ++s) {
                if (profileNamesEqual(line.name, sectionNames[s])) {
                    if (!opened[s]) {
                        opened[s] = true;
                        current = s;
                    }
                    break;
                }
            }
        } else if (line.kind == LineKind::Entry && current != kNone) {
            for (std::size_t i : members[current]) {
                if (!found[i] && profileNamesEqual(line.name, keys[i].key)) {
                    found[i] = true;
                    values[i] = std::string(capValue(line.value));
                    --pending;
                }
            }
        }
    }
    return values;
}

std::string applyProfileWrites(std::string_view content, std::span<const ProfileWrite> writes)
{
    std::vector<Line> lines;
    std::vector<std::size_t> headers;
    LineReader reader(content);
    const std::size_t bodyStart = reader.start();
    for (Line line; reader.next(line);) {
        if (line.kind == LineKind::Header)
            headers.push_back(lines.size());
        lines.push_back(line);
    }

    std::vector<std::optional<std::string>> replaced(lines.size());
    std::vector<SectionEdit> existing; // edited sections of the content
    std::vector<SectionEdit> appended; // sections new to the file, in order of their first write

    for (const ProfileWrite &write : writes) {
        if (!isStorableWrite(write))
            continue;

        // Only the first header of a name is the section.
        auto header = std::find_if(headers.begin(), headers.end(), [&](std::size_t index) {
            return lines[index].named && profileNamesEqual(lines[index].name, write.section);
        });
        if (header == headers.end()) {
            auto section = std::find_if(appended.begin(), appended.end(),
                [&](const SectionEdit &edit) { return profileNamesEqual(edit.name, write.section); });
            if (section == appended.end()) {
                appended.emplace_back();
                appended.back().name = write.section;
                section = appended.end() - 1;
            }
            setAddedEntry(*section, write);
            continue;
        }

        auto section = std::find_if(existing.begin(), existing.end(),
            [&](const SectionEdit &edit) { return edit.header == *header; });
        if (section == existing.end()) {
            SectionEdit edit;
            edit.header = *header;
            edit.endLine = (header + 1 == headers.end()) ? lines.size() : *(header + 1);
            // New entries go after the section's last line that carries
            // something, so blank lines and comments that lead into the next
            // section stay in front of it.
            edit.insertAfter = *header;
            for (std::size_t i = edit.endLine; i-- > *header + 1;) {
                if (lines[i].kind != LineKind::Blank && lines[i].kind != LineKind::Comment) {
                    edit.insertAfter = i;
                    break;
                }
            }
            existing.push_back(std::move(edit));
            section = existing.end() - 1;
        }

        bool done = false;
        for (std::size_t i = section->header + 1; i < section->endLine; ++i) {
            if (lines[i].kind == LineKind::Entry && profileNamesEqual(lines[i].name, write.key)) {
                replaced[i] = entryLine(write.key, write.value);
                done = true;
                break;
            }
        }
        if (!done)
            setAddedEntry(*section, write);
    }

    std::string out;
    out.reserve(content.size() + 64 * writes.size());
    out.append(content.substr(0, bodyStart));
    bool lineOpen = false; // the last line written has no line end yet
    bool lastBlank = true; // no line yet, or the last one is blank
    bool anyLine = false;

    auto addEntries = [&](const SectionEdit &section) {
        for (const auto &[key, value] : section.added) {
            out.append(key).append("=").append(value).append(kLineEnd);
            lastBlank = false;
        }
    };

    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        if (replaced[i])
            out.append(*replaced[i]);
        else
            out.append(content.substr(line.begin, line.end - line.begin));
        std::string_view lineEnd = content.substr(line.end, line.next - line.end);
        anyLine = true;
        lastBlank = line.kind == LineKind::Blank;

        auto section = std::find_if(existing.begin(), existing.end(),
            [&](const SectionEdit &edit) { return edit.insertAfter == i && !edit.added.empty(); });
        if (section != existing.end()) {
            if (lineEnd.empty())
                lineEnd = kLineEnd;
            out.append(lineEnd);
            addEntries(*section);
            lineOpen = false;
        } else {
            out.append(lineEnd);
            lineOpen = lineEnd.empty();
        }
    }

    for (const SectionEdit &section : appended) {
        if (anyLine) {
            if (lineOpen)
                out.append(kLineEnd);
            // One blank line keeps sections apart, for the eye only.
            if (!lastBlank)
                out.append(kLineEnd);
        }
        out.append("[").append(section.name).append("]").append(kLineEnd);
        addEntries(section);
        anyLine = true;
        lineOpen = false;
        lastBlank = false;
    }
    return out;
}

} // namespace velmora
