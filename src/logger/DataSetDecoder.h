#pragma once
// Splitting a memory image into data sets.

#include "logger/DataSet.h"
#include "logger/DateTimeCorrection.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace kv {

class Prompt;

enum class DecodeOutcome {
    Decoded,     // a collection is ready
    BadSetCount, // the header's set count is outside 1 to 4000: nothing said
    ReadError,   // a damaged record or image: the read-error message was shown
    Abandoned,   // a start date or time could not be corrected: an error was shown
};

struct DecodeResult
{
    DecodeOutcome outcome = DecodeOutcome::ReadError;
    std::unique_ptr<DataSetCollection> collection; // set only when Decoded
    // What to tell the user: the read-error text for ReadError, the reason
    // for Abandoned; empty otherwise.
    QString message;
};

// The start date and time as the record at offset p holds it (possibly
// impossible: the decoder asks for a correction then).
StartDateTime readRecordTime(const QByteArray &image, int p);

// The logger read-error message, exactly as the meter's users know it.
QString readErrorText();
void ShowReadError(Prompt &prompt);

// Decodes the image. Every record is checked for its markers and for lying
// wholly within the image and the last address in use; an impossible start
// date or time goes to `correct` (no callback: abandoned). Shows nothing:
// the result carries the message. Never reads outside the image.
DecodeResult decodeImage(QByteArray image, const CorrectStartDateTime &correct);

// Shows the result's message, if any: the read error as information, an
// abandoned correction as an error.
void reportDecodeFailure(const DecodeResult &result, Prompt &prompt);

// The same with everything through one prompt: the date and time question
// and the messages.
DecodeResult decodeImage(QByteArray image, Prompt &prompt);

// Decodes the image and, on success, makes it the current collection
// (replacing the previous one). On failure the current collection stays and
// the message has been shown.
bool DecodeDataSets(QByteArray image, Prompt &prompt, std::unique_ptr<DataSetCollection> &current);
bool DecodeDataSets(QByteArray image, const CorrectStartDateTime &correct, Prompt &prompt,
                    std::unique_ptr<DataSetCollection> &current);

// The rows of the data set list: set number, short date, long time,
// interval as "mm:ss", sample count.
QVector<QStringList> dataSetListRows(const DataSetCollection &collection);
QString intervalText(int seconds);

} // namespace kv
