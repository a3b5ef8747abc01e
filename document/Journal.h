// The journal of an in-place save: the new bytes of every range the save will
// overwrite, complete and on disk before the first byte of the file changes.
// Opening a file finishes a save that was cut off (process killed, machine
// down) by writing those bytes again. See the ordering contract in Save.cpp.
//
// File format (native byte order, one machine): a 64-byte header ("HXLJRNL1",
// device, inode, old length, new length, record bytes, record count, sum of
// the header), then the records (destination, length, bytes), then a 16-byte
// trailer ("HXLJEND1", sum over the header and every record's destination
// and length). The bytes themselves carry no sum: the journal gets its final
// name only after they were flushed.
#pragma once

#include <cstdint>
#include <string>

#include "platform/File.h"

namespace hx {

// Name of the journal of the file (device, inode) in a folder.
std::string JournalPath(const std::string &folder, uint64_t device, uint64_t inode);
// Where journals go when the file's own folder takes no new files: the
// configuration folder's "Journals" ($APPDATA, else $XDG_CONFIG_HOME, else
// ~/.config, then /Quillstone/Hexaloom/Journals).
std::string JournalFallbackFolder();

class JournalWriter {
public:
    ~JournalWriter();
    // Starts a journal for the file at path (its folder, else the fallback
    // folder) under a temporary name. recordBytes: the sum of 16 + length
    // over all records to come.
    bool begin(const std::string &path, uint64_t device, uint64_t inode, int64_t oldLength,
               int64_t newLength, int64_t recordBytes, int64_t recordCount, int &error);
    // A record: its header, then exactly length bytes through data().
    // True once begin() made its temporary (a later failure is a write's).
    bool created() const { return !temporary_.empty() || committed_; }
    bool record(int64_t destination, int64_t length, int &error);
    bool data(const void *bytes, int64_t n, int &error);
    // n bytes of the record straight from another file at offset.
    bool copy(FileHandle &from, int64_t offset, int64_t n, int &error);
    // Trailer, flush, final name, folder flush: from here on the journal
    // finishes the save when it is cut off.
    bool commit(int &error);
    // Removes the journal (committed or not) and makes that durable.
    void remove();
    // Lets the committed journal stay (a failed save that changed the file:
    // the next open finishes it).
    void keep() { kept_ = true; }

private:
    FileHandle file_;
    std::string temporary_, final_, folder_;
    uint64_t sum_ = 0;
    bool committed_ = false, kept_ = false;
};

// What OpenBinary found (values of SaveRecovery).
enum JournalRecovery : int32_t { JournalNone = 0, JournalFinished = 1 };

// Looks for a journal of the open file (opened read-write under name) and,
// when there is a valid one, writes its bytes, cuts the file to the saved
// length, flushes and removes the journal. A journal that is not valid for
// this file (damaged, or the file's length fits neither side of the save) is
// left alone. Returns JournalFinished when it repaired the file.
int32_t RecoverInterruptedSave(FileHandle &file, const std::string &name);

}  // namespace hx
