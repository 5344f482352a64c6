#pragma once

#include <new>
#include <vector>

#include <QStringList>

#include "engine/runhost.h"

// A run host that records what the engine and the batch tell it. It asks for a stop after
// `stopAfterYields` yields, and fails the yield numbered `badAllocAtYield` as an allocation would.
class RecordingHost final : public RunHost {
public:
    void yield() override
    {
        if (++yields == badAllocAtYield)
            throw std::bad_alloc();
    }
    bool cancelled() const override { return stopAfterYields >= 0 && yields > stopAfterYields; }
    void progress(double processed, double) override { progressCalls.push_back(processed); }
    void message(const QString& text) override { messages << text; }
    void error(const QString& text) override { errors << text; }
    void currentFile(int position, int count, const QString& name) override
    {
        files << QStringLiteral("%1 / %2 %3").arg(position).arg(count).arg(name);
    }

    int yields = 0;
    int stopAfterYields = -1;
    int badAllocAtYield = -1;
    std::vector<double> progressCalls;
    QStringList messages;
    QStringList errors;
    QStringList files;
};
