// The local wall clock as 64-bit FILETIME values: 100-nanosecond units since 1 January 1601, counted in
// local time rather than UTC. Stamps of this kind are compared as unsigned 64-bit numbers.
#pragma once

#include "support/System.h"

#include <cstdint>

using FileTime = std::uint64_t;

// The local date and time now, as a FILETIME value.
FileTime NowAsLocalFileTime();

// Fills year, month and day of the stamp and returns the day; all three are 0 when the stamp lies
// beyond what a calendar date can hold (its top bit is set).
int FileTimeToDate(FileTime time, int& year, int& month, int& day);

// The conversions between calendar times and FILETIME values that the two functions above use, with
// the limits Windows gives them: years 1601 to 30827 and valid fields, stamps below 2^63.
bool CivilTimeToFileTime(const sys::CivilTime& time, FileTime& result);
bool FileTimeToCivilTime(FileTime time, sys::CivilTime& result);
