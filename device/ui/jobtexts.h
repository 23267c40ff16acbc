#ifndef DEVICE_UI_JOBTEXTS_H
#define DEVICE_UI_JOBTEXTS_H

#include "device/job.h"

#include <QString>

// The window's own words for what the device jobs report (see device/jobtypes.h): one sentence
// that says why a failed job failed and what to do next, in the interface language. The
// upgrade and the picture jobs explain their failures each in their own words.

// Where a job stood: "writing block 3", "transferring picture 5".
QString jobStepText(JobStep step, int detail);

// Why an upgrade failed; empty when it did not.
QString upgradeFailureText(const JobResult &result);
// Why a picture read or write failed; empty when it did not.
QString pictureFailureText(const JobResult &result);
// What the device runs after an upgrade that did not fail: the firmware version it reported
// when it came back, or that nothing confirmed the new firmware.
QString upgradeVersionText(const JobResult &result);

// The short message for a job the device refused before anything was sent (busy, not
// connected, nothing of the kind on this device).
QString jobRefusalText(JobCause cause);

#endif // DEVICE_UI_JOBTEXTS_H
