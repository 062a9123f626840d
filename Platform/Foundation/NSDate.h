#pragma once

// Date helpers over the shared Date value (seconds since 1970, UTC). "Now"
// comes from the process clock, so tests that install a manual clock see the
// dates they set.

#include "Platform/Foundation/NSRange.h"
#include "Platform/Foundation/Value.h"

class NSDate {
public:
    static Date date();
    static Date dateWithTimeIntervalSince1970(double seconds) { return Date { seconds }; }
    static Date dateWithTimeIntervalSinceNow(double seconds);
    static double timeIntervalSince1970(Date d) { return d.secondsSince1970; }
    static double timeIntervalSinceNow(Date d);
    static double timeIntervalSinceDate(Date d, Date since) { return d.secondsSince1970 - since.secondsSince1970; }
    static Date dateByAddingTimeInterval(Date d, double seconds) { return Date { d.secondsSince1970 + seconds }; }
    static NSComparisonResult compare(Date a, Date b)
    {
        return a.secondsSince1970 < b.secondsSince1970 ? NSOrderedAscending
            : a.secondsSince1970 > b.secondsSince1970  ? NSOrderedDescending
                                                       : NSOrderedSame;
    }
    static Date earlierDate(Date a, Date b) { return b.secondsSince1970 < a.secondsSince1970 ? b : a; }
    static Date laterDate(Date a, Date b) { return b.secondsSince1970 > a.secondsSince1970 ? b : a; }
};
