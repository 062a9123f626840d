#pragma once

// Binds an update's parameters straight from the caller's C++ arguments. The
// update steps before its arguments go, so texts are bound where they lie,
// without a copy; every kind binds as a Value of the same argument would
// (whole numbers as 64-bit integers, flags as 0/1, dates as seconds, absent
// texts and dates as NULL). Other kinds go through a Value, copied.
// Parameters the arguments do not reach are bound NULL (finish).

#include "Platform/Foundation/Value.h"

#include <sqlite3.h>

#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>

// The value a C++ argument binds as. Absent optional texts and dates bind NULL.
inline Value sqlValue(const Value& v) { return v; }
inline Value sqlValue(const std::optional<std::string>& s) { return s ? Value(*s) : Value(); }
inline Value sqlValue(const std::optional<Date>& d) { return d ? Value(*d) : Value(); }
inline Value sqlValue(std::nullptr_t) { return Value(); }
template <typename T> Value sqlValue(const T& v) requires std::is_constructible_v<Value, T> { return Value(v); }

class SQLBindings {
public:
    SQLBindings(sqlite3_stmt* statement, int parameterCount, bool trace)
        : m_statement(statement)
        , m_count(parameterCount)
        , m_trace(trace)
    {
    }

    // The common kinds are bound here, inline: a bind without tracing is a
    // test and the library's call, as a bare one is.
    void bind(int index, bool v)
    {
        if (m_trace) [[unlikely]]
            traceOf(v);
        sqlite3_bind_int(m_statement, index, v ? 1 : 0);
    }
    void bind(int index, int v) { bindInteger(index, v); }
    void bind(int index, long v) { bindInteger(index, v); }
    void bind(int index, long long v) { bindInteger(index, v); }
    void bind(int index, float v) { bindReal(index, static_cast<double>(v)); }
    void bind(int index, double v) { bindReal(index, v); }
    void bind(int index, const Date& d) { bindReal(index, d.secondsSince1970); }
    void bind(int index, const std::optional<Date>& d)
    {
        if (d)
            bindReal(index, d->secondsSince1970);
        else
            bindNull(index);
    }
    void bind(int index, const std::string& s) { bindText(index, s); }
    void bind(int index, const std::optional<std::string>& s)
    {
        if (s)
            bindText(index, *s);
        else
            bindNull(index);
    }
    void bind(int index, const Value& v);
    template <typename T> void bind(int index, const T& v) { bind(index, sqlValue(v)); }

    // Binds NULL to the parameters after the first `given`.
    void finish(int given);

    // One value into one parameter, copied (the value may go before the step).
    static void bindValue(sqlite3_stmt* statement, int index, const Value& v);

private:
    // Tracing is rare and builds a Value to log: kept out of line.
    [[gnu::cold, gnu::noinline]] static void trace(const Value& v);
    template <typename T> [[gnu::cold, gnu::noinline]] static void traceOf(const T& v) { trace(Value(v)); }

    void bindInteger(int index, long long v)
    {
        if (m_trace) [[unlikely]]
            traceOf(v);
        sqlite3_bind_int64(m_statement, index, static_cast<sqlite3_int64>(v));
    }
    void bindReal(int index, double v)
    {
        if (m_trace) [[unlikely]]
            traceOf(v);
        sqlite3_bind_double(m_statement, index, v);
    }
    void bindText(int index, const std::string& s)
    {
        if (m_trace) [[unlikely]]
            traceOf(s);
        sqlite3_bind_text(m_statement, index, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
    }
    void bindNull(int index)
    {
        if (m_trace) [[unlikely]]
            trace(Value());
        sqlite3_bind_null(m_statement, index);
    }

    sqlite3_stmt* m_statement;
    int m_count;
    bool m_trace;
};
