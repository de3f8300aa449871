#pragma once
// The job's report types as Qt knows them, for signals queued across threads.

#include <QMetaType>

#include "job/JobListener.h"
#include "job/JobResult.h"
#include "job/TreeChange.h"

Q_DECLARE_METATYPE(pw::TreeChange)
Q_DECLARE_METATYPE(pw::JobState)
Q_DECLARE_METATYPE(pw::JobResult)
