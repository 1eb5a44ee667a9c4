#pragma once

#include "platform/qscl.h"

// Formats each log entry as one line of the shared log's fixed columns.
class QmswLogWriter : public qs::log::AbstractLogWriter {
public:
    explicit QmswLogWriter(qs::io::Writer* writer);
    void formatEntry(const qs::log::LogEntry& entry, qs::String& line) override;
};
