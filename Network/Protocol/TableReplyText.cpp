#include "Network/Protocol/TableReplyText.h"

#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonText.h"

#include <cstring>
#include <vector>

namespace TableReplyText {

namespace {

    // The white space the parser skips.
    inline bool isSpace(char ch)
    {
        return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
    }

    // Levels of the whole reply above a value read on its own: the reply's
    // object for a member's value, the content's array for an element of the
    // content, and the table's array for an element of a table.
    constexpr unsigned kMemberLevels = 1;
    constexpr unsigned kContentLevels = 2;
    constexpr unsigned kTableLevels = 3;

    class Reader {
    public:
        Reader(std::string_view text, size_t tables, const Sink& element, const Sink& extra)
            : m_c(text.data())
            , m_end(text.data() + text.size())
            , m_tables(tables)
            , m_element(element)
            , m_extra(extra)
        {
        }

        std::optional<Read> run()
        {
            skip();
            if (!at('{'))
                return std::nullopt;
            ++m_c;
            Read out;
            std::vector<ValueDictionary::Entry> members;
            bool sawContent = false;
            skip();
            if (at('}')) {
                ++m_c;
            } else {
                for (;;) {
                    skip();
                    if (!at('"'))
                        return std::nullopt;
                    auto key = take(kMemberLevels);
                    if (!key || !key->isString())
                        return std::nullopt;
                    skip();
                    if (!at(':'))
                        return std::nullopt;
                    ++m_c;
                    skip();
                    if (key->stringView() == std::string_view("content")) {
                        // A second content would replace the first: left to the tree.
                        if (sawContent || !readContent(out.tablesShaped))
                            return std::nullopt;
                        sawContent = true;
                    } else {
                        auto value = take(kMemberLevels);
                        if (!value)
                            return std::nullopt;
                        members.emplace_back(ValueKey(*key->stringView()), std::move(*value));
                    }
                    auto more = next('}');
                    if (!more)
                        return std::nullopt;
                    if (!*more)
                        break;
                }
            }
            skip();
            if (m_c != m_end)
                return std::nullopt;
            out.head = Value(ValueDictionary::withEntries(members));
            return out;
        }

    private:
        const char* m_c;
        const char* m_end;
        const size_t m_tables;
        const Sink& m_element;
        const Sink& m_extra;
        QDJsonParser m_parser;

        bool at(char ch) const { return m_c < m_end && *m_c == ch; }

        void skip()
        {
            while (m_c < m_end && isSpace(*m_c))
                ++m_c;
        }

        // Past the closing quote of the string whose body starts at `p`.
        const char* stringEnd(const char* p) const
        {
            for (;;) {
                p = QDJsonText::findStringStop(p, m_end);
                if (p >= m_end)
                    return nullptr;
                if (*p == '"')
                    return p + 1;
                p += *p == '\\' ? 2 : 1;
            }
        }

        // Past the string, object or array at the cursor; nothing for any
        // other value, or when the text ends first.
        const char* valueEnd() const
        {
            const char* p = m_c;
            if (p >= m_end)
                return nullptr;
            if (*p == '"')
                return stringEnd(p + 1);
            if (*p != '{' && *p != '[')
                return nullptr;
            size_t depth = 0;
            while (p < m_end) {
                const char ch = *p;
                if (ch == '"') {
                    p = stringEnd(p + 1);
                    if (!p)
                        return nullptr;
                    continue;
                }
                if (ch == '{' || ch == '[') {
                    ++depth;
                } else if (ch == '}' || ch == ']') {
                    if (--depth == 0)
                        return p + 1;
                }
                ++p;
            }
            return nullptr;
        }

        // Reads the value at the cursor, `levels` deep in the reply, and steps
        // over it; the parser keeps the depth limit of the whole reply.
        std::optional<Value> take(unsigned levels)
        {
            const char* stop = valueEnd();
            if (!stop)
                return std::nullopt;
            m_parser.setMaxDepth(QDJsonBase::kDefaultMaxDepth - levels);
            auto value = m_parser.fragmentWithString(std::string_view(m_c, static_cast<size_t>(stop - m_c)));
            m_c = stop;
            return value;
        }

        // After a member or an element: whether another follows (one comma),
        // or the list ends with `close`; nothing for any other text.
        std::optional<bool> next(char close)
        {
            skip();
            if (at(',')) {
                ++m_c;
                skip();
                if (m_c >= m_end || *m_c == close)
                    return std::nullopt;
                return true;
            }
            if (at(close)) {
                ++m_c;
                return false;
            }
            return std::nullopt;
        }

        bool readContent(bool& shaped)
        {
            shaped = false;
            if (!at('['))
                return take(kMemberLevels).has_value();
            ++m_c;
            skip();
            size_t index = 0;
            bool allTables = true;
            if (at(']')) {
                ++m_c;
            } else {
                for (;;) {
                    skip();
                    if (index < m_tables && at('[')) {
                        if (!readTable(index))
                            return false;
                    } else {
                        auto value = take(kContentLevels);
                        if (!value)
                            return false;
                        if (index < m_tables)
                            allTables = false;
                        else
                            m_extra(index, *value);
                    }
                    ++index;
                    auto more = next(']');
                    if (!more)
                        return false;
                    if (!*more)
                        break;
                }
            }
            shaped = allTables && index >= m_tables;
            return true;
        }

        bool readTable(size_t table)
        {
            ++m_c;
            skip();
            if (at(']')) {
                ++m_c;
                return true;
            }
            for (;;) {
                skip();
                auto value = take(kTableLevels);
                if (!value)
                    return false;
                m_element(table, *value);
                auto more = next(']');
                if (!more)
                    return false;
                if (!*more)
                    return true;
            }
        }
    };

}  // namespace

std::optional<Read> read(std::string_view text, size_t tables, const Sink& element, const Sink& extra)
{
    // The text ends at its first zero byte, as for the parser.
    if (const void* nul = std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, static_cast<size_t>(static_cast<const char*>(nul) - text.data()));
    return Reader(text, tables, element, extra).run();
}

}  // namespace TableReplyText
