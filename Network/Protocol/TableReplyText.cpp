#include "Network/Protocol/TableReplyText.h"

#include "Network/Protocol/QDJsonParser.h"

namespace TableReplyText {

namespace {

    // The values the plain form allows as members and elements.
    bool isPlain(const Value& value) { return value.isString() || value.isDictionary() || value.isArray(); }

    // The content's first `tables` arrays are read element by element; its
    // later elements whole.
    class ContentReader : public QDJsonParser::ArrayReader {
    public:
        ContentReader(size_t tables, const Sink& element, const Sink& extra)
            : m_tables(tables)
            , m_element(element)
            , m_extra(extra)
        {
        }

        bool shaped() const { return m_shaped; }

        bool readsElementwise(size_t index) override { return index < m_tables; }

        bool element(size_t index, const Value& value) override
        {
            if (!isPlain(value))
                return false;
            m_element(index, value);
            return true;
        }

        bool whole(size_t index, const Value& value) override
        {
            if (!isPlain(value))
                return false;
            if (index < m_tables)
                m_allTables = false;
            else
                m_extra(index, value);
            return true;
        }

        void ended(size_t count) override { m_shaped = m_allTables && count >= m_tables; }

    private:
        const size_t m_tables;
        const Sink& m_element;
        const Sink& m_extra;
        bool m_allTables = true;
        bool m_shaped = false;
    };

}  // namespace

std::optional<Read> read(std::string_view text, size_t tables, const Sink& element, const Sink& extra)
{
    ContentReader reader(tables, element, extra);
    QDJsonParser parser;
    std::optional<Value> object = parser.objectReadingArray(text, "content", reader);
    if (!object)
        return std::nullopt;
    for (const auto& [key, value] : object->dictionaryValue()) {
        if (!isPlain(value))
            return std::nullopt;
    }
    Read out;
    // A content that is not an array stays among the members: it has no tables.
    object->remove("content");
    out.head = std::move(*object);
    out.tablesShaped = reader.shaped();
    return out;
}

}  // namespace TableReplyText
