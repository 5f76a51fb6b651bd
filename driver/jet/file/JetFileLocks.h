#pragma once
// How the connections to one Jet file, in this process and in others, share it.
//
// Three bytes of the file far past any page are locked, with open-file-description locks: such
// a lock belongs to one open of the file, conflicts with every other open (in this process too)
// and vanishes with it, so a killed program never blocks the file (JetWriteLock.h).
//  - The writer's byte, held from a transaction's first change to its end: one writer at a time.
//  - The readers' byte, held shared by a connection while any of its statements runs, and taken
//    alone by a committing writer for the moment it writes its pages into the file: a statement
//    sees the file as it was before a commit or as it is after it, never half of it.
//  - The gate, held alone by a committing writer from the moment it starts waiting for the
//    readers' byte until its pages are written, and looked at by a statement before it takes the
//    readers' byte: statements that start meanwhile wait for the commit rather than keep it
//    waiting for ever.
// A reader thus holds up a writer for at most the statements it has under way, and a writer
// holds up readers only while it writes its pages. Waits are bounded and give up when the
// caller is stopped (cancel, time limit): for the writer's byte, held by another transaction,
// kWriterPatience; between statements and commits, kReaderPatience.
//
// One object per open of the file; a connection's statements and its writer share it, so that
// its commit takes the readers' byte over from its own statements instead of waiting for them.
#include "driver/jet/file/JetFileIo.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace kervane::jet {

class JetFileLocks {
public:
    using StopCheck = std::function<bool()>;
    enum class Outcome { Taken, Busy, Stopped, Failed };
    static constexpr std::chrono::milliseconds kWriterPatience{5000};
    static constexpr std::chrono::milliseconds kReaderPatience{10000};

    // Opens `path` for reading only: a connection that only reads never holds the file open for
    // writing. nullptr with `error` (errno; EBUSY when the file is open elsewhere for one
    // connection alone, or, `exclusive` asked, open elsewhere at all). An exclusive open is made
    // for writing at once where the file allows it.
    static std::unique_ptr<JetFileLocks> open(const std::string& path, int& error, bool exclusive = false);
    JetFileLocks(std::string path, FileDescriptor file);
    ~JetFileLocks();
    JetFileLocks(const JetFileLocks&) = delete;
    JetFileLocks& operator=(const JetFileLocks&) = delete;

    int fd() const { return m_file.get(); }
    bool writable() const { return m_writable; }
    // Opened for this connection alone (Exclusive=1).
    bool exclusive() const { return m_exclusive; }
    // Opens the file again for reading and writing, before the first change or rollback of an
    // interrupted commit, the readers' lock this connection holds carried over to the new open;
    // 0 or errno (EACCES for a file the user may not write).
    int makeWritable();

    // The writer's byte, at once or waiting for it (Failed with `error` set, for example on a
    // file opened read-only). Taking it again while held is harmless.
    Outcome takeWriter(int& error);
    Outcome waitForWriter(const StopCheck& stop, int& error);
    void releaseWriter();
    bool holdsWriter() const { return m_writer; }
    // True when another open of the file, in any process, holds the writer's byte.
    bool writerElsewhere();

    // A statement starts or ends; the first one in takes the readers' byte (through the gate),
    // the last one out lets it go.
    Outcome beginRead(const StopCheck& stop, int& error);
    void endRead();
    int readers() const { return m_readers; }

    // A commit about to write pages: the gate closed, then the readers' byte taken alone once
    // the other connections' statements have ended. The writer's byte must be held.
    Outcome excludeReaders(const StopCheck& stop, int& error);
    // The commit's pages are written: the readers' byte goes back to this connection's own
    // statements (shared) or is let go, and the gate opens.
    void admitReaders();

private:
    Outcome enterThroughGate(int& error);

    std::string m_path;
    FileDescriptor m_file;
    bool m_writable = false;
    bool m_exclusive = false;
    bool m_writer = false;
    bool m_excluding = false;
    int m_readers = 0;
};

}  // namespace kervane::jet
