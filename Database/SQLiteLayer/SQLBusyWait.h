#pragma once

// Waiting out a database that another connection or thread holds: the one
// loop that prepares, steps and closes go through. For the access layer's own
// sources; it is the only place above SQLite that knows its lock codes.

#include <sqlite3.h>

// What the wait came to: SQLite's last answer, and whether it was given up.
struct SQLBusyWait {
    int code = SQLITE_OK;
    bool gaveUp = false;
};

// A connection with extended result codes names the kind of lock; it is
// still a lock to wait out.
inline bool sqlAnswerWaitsOnLock(int code) { return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED; }

// The pause between two tries.
void sqlPauseForLock();

// Runs `attempt` (a prepare, a step or a close, answering an SQLite code)
// again while the answer is busy or locked, pausing between tries.
// `onLock(code)` runs after each such answer and gives the code to report
// should the wait end there. A limit above 0 gives the wait up after that
// many pauses and two more; 0 waits for as long as the lock stays.
template <typename Attempt, typename OnLock>
SQLBusyWait sqlRetryWhileBusy(int limit, Attempt&& attempt, OnLock&& onLock)
{
    int busyAnswers = 0;
    while (true) {
        const int code = attempt();
        if (!sqlAnswerWaitsOnLock(code)) [[likely]]
            return { code, false };
        const int reported = onLock(code);
        sqlPauseForLock();
        if (limit > 0 && ++busyAnswers >= limit + 2)
            return { reported, true };
    }
}

template <typename Attempt> SQLBusyWait sqlRetryWhileBusy(int limit, Attempt&& attempt)
{
    return sqlRetryWhileBusy(limit, attempt, [](int code) { return code; });
}

// A step that met a locked table resets its statement before the next try. A
// reset answering other than "locked" is logged (with `where` naming the
// caller) and is the answer to report; otherwise the step's own code is.
int sqlResetAfterLockedStep(sqlite3_stmt* stmt, int code, const char* where);
