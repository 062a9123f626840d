#include "Platform/Foundation/NSKeyedArchiver.h"

#include "Platform/Foundation/PropertyList.h"

#include <map>
#include <string>
#include <vector>

namespace {

// ValueDictionary's default constructor cannot be used outside Value.cpp
// (its index type is incomplete here); copying the empty one can.
ValueDictionary emptyDictionary() { return Value().dictionaryValue(); }

constexpr double referenceDate1970 = 978307200.0;
constexpr int maximumDepth = 512;

Value uid(uint64_t index) { return Value::dictionary({ { "CF$UID", Value::integer(static_cast<int64_t>(index)) } }); }

std::optional<uint64_t> uidIndex(const Value& value)
{
    if (!value.isDictionary() || value.count() != 1)
        return std::nullopt;
    const Value* index = value.find("CF$UID");
    if (!index || !index->isInteger() || (!index->isUnsigned() && index->longLongValue() < 0))
        return std::nullopt;
    return index->unsignedLongLongValue();
}

class Archiver {
public:
    Archiver() { m_objects.push_back(Value("$null")); }

    std::optional<uint64_t> encode(const Value& value, int depth)
    {
        if (depth > maximumDepth)
            return std::nullopt;
        switch (value.type()) {
        case Value::Type::Null:
            return 0;
        case Value::Type::String: {
            const std::string text = value.stringValue();
            auto found = m_strings.find(text);
            if (found != m_strings.end())
                return found->second;
            uint64_t index = append(value);
            m_strings.emplace(text, index);
            return index;
        }
        case Value::Type::Bool:
        case Value::Type::Integer:
        case Value::Type::Real:
        case Value::Type::Data:
            return append(value);
        case Value::Type::Date: {
            uint64_t index = append(Value());
            m_objects[index] = Value::dictionary({
                { "NS.time", Value(value.dateValue().secondsSince1970 - referenceDate1970) },
                { "$class", uid(classIndex("NSDate")) },
            });
            return index;
        }
        case Value::Type::Array: {
            // The container takes its place before its members, as the
            // platform's archives have it.
            uint64_t index = append(Value());
            ValueArray members;
            for (const Value& item : value.arrayValue()) {
                auto member = encode(item, depth + 1);
                if (!member)
                    return std::nullopt;
                members.push_back(uid(*member));
            }
            m_objects[index] = Value::dictionary({
                { "NS.objects", Value(std::move(members)) },
                { "$class", uid(classIndex("NSArray")) },
            });
            return index;
        }
        case Value::Type::Dictionary: {
            uint64_t index = append(Value());
            ValueArray keys;
            ValueArray members;
            for (const auto& [key, item] : value.dictionaryValue()) {
                auto keyIndex = encode(Value(key), depth + 1);
                auto member = encode(item, depth + 1);
                if (!keyIndex || !member)
                    return std::nullopt;
                keys.push_back(uid(*keyIndex));
                members.push_back(uid(*member));
            }
            m_objects[index] = Value::dictionary({
                { "NS.keys", Value(std::move(keys)) },
                { "NS.objects", Value(std::move(members)) },
                { "$class", uid(classIndex("NSDictionary")) },
            });
            return index;
        }
        }
        return std::nullopt;
    }

    Value archive(uint64_t root)
    {
        return Value::dictionary({
            { "$version", Value::integer(100000) },
            { "$archiver", Value("NSKeyedArchiver") },
            { "$top", Value::dictionary({ { "root", uid(root) } }) },
            { "$objects", Value(std::move(m_objects)) },
        });
    }

private:
    uint64_t append(Value value)
    {
        m_objects.push_back(std::move(value));
        return m_objects.size() - 1;
    }

    uint64_t classIndex(const std::string& name)
    {
        auto found = m_classes.find(name);
        if (found != m_classes.end())
            return found->second;
        uint64_t index = append(Value::dictionary({
            { "$classes", Value::array({ Value(name), Value("NSObject") }) },
            { "$classname", Value(name) },
        }));
        m_classes.emplace(name, index);
        return index;
    }

    ValueArray m_objects;
    std::map<std::string, uint64_t> m_strings;
    std::map<std::string, uint64_t> m_classes;
};

class Unarchiver {
public:
    explicit Unarchiver(const ValueArray& objects)
        : m_objects(objects)
        , m_state(objects.size(), State::New)
        , m_decoded(objects.size())
    {
    }

    bool decode(uint64_t index, int depth, Value& out)
    {
        if (index == 0) {
            out = Value();
            return true;
        }
        if (index >= m_objects.size() || depth > maximumDepth)
            return false;
        if (m_state[index] == State::Done) {
            out = m_decoded[index];
            return true;
        }
        if (m_state[index] == State::InProgress)
            return false;  // a container that holds itself has no Value form
        m_state[index] = State::InProgress;
        bool ok = decodeObject(m_objects[index], depth, out);
        m_state[index] = ok ? State::Done : State::New;
        if (ok)
            m_decoded[index] = out;
        return ok;
    }

private:
    enum class State { New, InProgress, Done };

    bool decodeMembers(const Value& list, int depth, ValueArray& out)
    {
        if (!list.isArray())
            return false;
        out.reserve(list.count());
        for (const Value& reference : list.arrayValue()) {
            auto index = uidIndex(reference);
            Value member;
            if (!index || !decode(*index, depth + 1, member))
                return false;
            out.push_back(std::move(member));
        }
        return true;
    }

    bool decodeObject(const Value& object, int depth, Value& out)
    {
        switch (object.type()) {
        case Value::Type::String:
        case Value::Type::Bool:
        case Value::Type::Integer:
        case Value::Type::Real:
        case Value::Type::Data:
            out = object;
            return true;
        case Value::Type::Dictionary:
            break;
        default:
            return false;
        }
        auto classReference = uidIndex(object["$class"]);
        if (!classReference || *classReference == 0 || *classReference >= m_objects.size())
            return false;
        const Value& className = m_objects[*classReference]["$classname"];
        if (!className.isString())
            return false;
        const std::string name = className.stringValue();

        if (name == "NSDictionary" || name == "NSMutableDictionary") {
            ValueArray keys;
            ValueArray members;
            if (!decodeMembers(object["NS.keys"], depth, keys) || !decodeMembers(object["NS.objects"], depth, members)
                || keys.size() != members.size())
                return false;
            ValueDictionary dictionary = emptyDictionary();
            dictionary.reserve(keys.size());
            for (size_t i = 0; i < keys.size(); ++i) {
                if (!keys[i].isString())
                    return false;
                dictionary.set(keys[i].stringValue(), std::move(members[i]));
            }
            out = Value(std::move(dictionary));
            return true;
        }
        if (name == "NSArray" || name == "NSMutableArray") {
            ValueArray members;
            if (!decodeMembers(object["NS.objects"], depth, members))
                return false;
            out = Value(std::move(members));
            return true;
        }
        if (name == "NSDate") {
            const Value& time = object["NS.time"];
            if (!time.isNumber())
                return false;
            out = Value(Date { time.doubleValue() + referenceDate1970 });
            return true;
        }
        if (name == "NSString" || name == "NSMutableString") {
            const Value& text = object["NS.string"];
            if (!text.isString())
                return false;
            out = text;
            return true;
        }
        if (name == "NSData" || name == "NSMutableData") {
            const Value& bytes = object["NS.data"];
            if (!bytes.isData())
                return false;
            out = bytes;
            return true;
        }
        return false;
    }

    const ValueArray& m_objects;
    std::vector<State> m_state;
    std::vector<Value> m_decoded;
};

}  // namespace

std::optional<Data> NSKeyedArchiver::archivedDataWithRootObject(const Value& root)
{
    if (root.isNull())
        return std::nullopt;
    Archiver archiver;
    auto rootIndex = archiver.encode(root, 0);
    if (!rootIndex)
        return std::nullopt;
    return PropertyList::dataWithPropertyList(archiver.archive(*rootIndex), PropertyList::Format::Binary);
}

Value NSKeyedUnarchiver::unarchiveObjectWithData(std::span<const uint8_t> data)
{
    Value archive = PropertyList::propertyListWithData(data);
    if (!archive.isDictionary() || archive["$archiver"].stringValue() != "NSKeyedArchiver")
        return {};
    const Value& objects = archive["$objects"];
    auto root = uidIndex(archive["$top"]["root"]);
    if (!objects.isArray() || !root)
        return {};
    Unarchiver unarchiver(objects.arrayValue());
    Value out;
    if (!unarchiver.decode(*root, 0, out))
        return {};
    return out;
}
