#pragma once

// A destination for the error log's lines. Sinks start disabled; Start enables one and writes
// "Start Logging" to it.
class CLog {
public:
    virtual ~CLog() = default;

    // Empties the sink.
    virtual bool Clear() = 0;
    // Writes the string-table text with that id as one line; an unknown id writes nothing.
    virtual void WriteResource(unsigned id) = 0;
    virtual void WriteLine(const char* text) = 0;

    void Start();
    bool IsEnabled() const { return enabled_; }

protected:
    CLog() = default;

private:
    bool enabled_ = false;
};
