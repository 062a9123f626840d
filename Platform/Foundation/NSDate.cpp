#include "Platform/Foundation/NSDate.h"

#include "Platform/Foundation/Clock.h"

Date NSDate::date() { return Clock::wallNow(); }

Date NSDate::dateWithTimeIntervalSinceNow(double seconds)
{
    return Date { Clock::wallNow().secondsSince1970 + seconds };
}

double NSDate::timeIntervalSinceNow(Date d) { return d.secondsSince1970 - Clock::wallNow().secondsSince1970; }
