#pragma once
// An impossible start date or time of a recorded set is put to whoever
// decodes: the window side asks the user through the correction dialog,
// tests and the fuzzer answer it themselves. The decoder knows only this
// callback.

#include "common/Prompt.h"

#include <QString>

#include <functional>

namespace kv {

// The start of a set as the record holds it, read unsigned from its BCD
// fields; any value may be impossible.
struct StartDateTime
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;

    bool isValid() const;
    double toDateTime() const; // only for valid values
    QString text() const;      // "2008-2-30 10:15:30"
    bool operator==(const StartDateTime &o) const;
};

// What came back: the corrected values, or the decoding is abandoned. An
// abandoned answer may say why, in one sentence shown to the user.
struct DateTimeCorrection
{
    bool abandon = false;
    StartDateTime value;
    QString reason;

    static DateTimeCorrection corrected(const StartDateTime &value) { return {false, value, {}}; }
    static DateTimeCorrection abandoned(const QString &reason = {}) { return {true, {}, reason}; }
};

// Given the impossible start, the corrected one (checked again by the
// decoder) or "abandon".
using CorrectStartDateTime = std::function<DateTimeCorrection(const StartDateTime &impossible)>;

// The six edits of the correction dialog, year to second, and back. Edits
// that do not hold a whole number abandon, naming the first such edit.
DateTimeFields fieldsOf(const StartDateTime &t);
DateTimeCorrection correctionFromFields(const DateTimeFields &answer);

// Asks through the prompt's date and time question.
CorrectStartDateTime correctionThrough(Prompt &prompt);

} // namespace kv
