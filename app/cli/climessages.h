#ifndef APP_CLI_CLIMESSAGES_H
#define APP_CLI_CLIMESSAGES_H

#include "device/job.h"
#include "device/jobtypes.h"

#include <QString>

// The command line's own words for what the jobs report, and its exit statuses.

// The exit status of a failed or refused job.
int exitStatusOf(JobCause cause);

// Why a job failed, as the end of a sentence: "the device answered STOP while writing block 3".
QString causeSentence(const JobResult &result);

// A phase of a job as the progress line names it.
QString phaseText(JobPhase phase);

// Slot numbers as "1-3, 5".
QString slotRanges(const QVector<int> &numbers);

// A screen format as the text output names it ("128 x 32 monochrome") and as the JSON output
// keys it ("128x32").
QString screenText(int format);
QString screenKey(int format);

// A device identifier as "0x1005 (TALON J310)", or "0x1005" for a model not in the table.
QString deviceText(quint16 id);
QString hex16(quint16 value);

#endif // APP_CLI_CLIMESSAGES_H
