#pragma once

// Binds an update's parameters straight from the caller's C++ arguments. The
// update steps before its arguments go, so texts are bound where they lie,
// without a copy; every kind binds as a Value of the same argument would
// (whole numbers as 64-bit integers, flags as 0/1, dates as seconds, absent
// texts and dates as NULL). Other kinds go through a Value, copied.
// Parameters the arguments do not reach are bound NULL (finish).

#include "Platform/Foundation/Value.h"

#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

struct sqlite3_stmt;

// The value a C++ argument binds as. Absent optional texts and dates bind NULL.
inline Value sqlValue(const Value& v) { return v; }
inline Value sqlValue(const std::optional<std::string>& s) { return s ? Value(*s) : Value(); }
inline Value sqlValue(const std::optional<Date>& d) { return d ? Value(*d) : Value(); }
inline Value sqlValue(std::nullptr_t) { return Value(); }
template<typename T>
Value sqlValue(const T& v)
    requires std::is_constructible_v<Value, T>
{
    return Value(v);
}

class SQLBindings {
public:
    SQLBindings(sqlite3_stmt* statement, bool trace);

    void bind(int index, bool v);
    void bind(int index, int v) { bindInteger(index, v); }
    void bind(int index, long v) { bindInteger(index, v); }
    void bind(int index, long long v) { bindInteger(index, v); }
    void bind(int index, float v) { bindReal(index, static_cast<double>(v)); }
    void bind(int index, double v) { bindReal(index, v); }
    void bind(int index, const Date& d) { bindReal(index, d.secondsSince1970); }
    void bind(int index, const std::optional<Date>& d);
    void bind(int index, const std::string& s);
    void bind(int index, const std::optional<std::string>& s);
    void bind(int index, const Value& v);
    template<typename T>
    void bind(int index, const T& v)
    {
        bind(index, sqlValue(v));
    }

    // Binds NULL to the parameters after the first `given`.
    void finish(int given);

    // One value into one parameter, copied (the value may go before the step).
    static void bindValue(sqlite3_stmt* statement, int index, const Value& v);

private:
    void trace(const Value& v) const;
    void bindInteger(int index, long long v);
    void bindReal(int index, double v);
    void bindText(int index, const std::string& s);

    sqlite3_stmt* m_statement;
    int m_count;
    bool m_trace;
};
