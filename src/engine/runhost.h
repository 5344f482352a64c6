#pragma once

#include <atomic>

#include <QString>

// What a run needs from whoever hosts it (the run dialog, the CLI, a test): the engine and the
// batch driver talk to their surroundings through this alone.
class RunHost {
public:
    virtual ~RunHost() = default;

    // Lets pending window events run (the stop button, the close box); called before each line.
    virtual void yield() {}

    // True once the user has confirmed a stop.
    virtual bool cancelled() const { return false; }

    // A host whose yield() does nothing and whose cancelled() reads a flag may give the flag:
    // the line loop then reads it before each line instead of making the two calls, and tells
    // progress after a run of lines (see progress()).
    virtual const std::atomic<bool>* stopFlag() const { return nullptr; }

    // Bytes of the batch read so far, against the batch's total; every 20 lines, or with a stop
    // flag at the first run of lines to pass the 20th (at most a read block's lines).
    virtual void progress(double processedBytes, double totalBytes)
    {
        Q_UNUSED(processedBytes);
        Q_UNUSED(totalBytes);
    }

    // An information message for the user.
    virtual void message(const QString& text) { Q_UNUSED(text); }

    // An error message for the user (exclamation icon in the desktop program).
    virtual void error(const QString& text) { Q_UNUSED(text); }

    // The batch turns to file `position` (1-based) of `count`.
    virtual void currentFile(int position, int count, const QString& name)
    {
        Q_UNUSED(position);
        Q_UNUSED(count);
        Q_UNUSED(name);
    }

    // An entry was added to the output list.
    virtual void outputsChanged() {}
};

// Whether `host` stopped, asked before a line: `stopFlag` (the host's stopFlag()) read when it
// gives one, else yield() and then cancelled().
inline bool StopAskedBeforeLine(RunHost& host, const std::atomic<bool>* stopFlag)
{
    if (stopFlag)
        return stopFlag->load(std::memory_order_relaxed);
    host.yield();
    return host.cancelled();
}
