// The journal of an in-place save: the new bytes of every range the save
// will overwrite, complete and on disk before the first byte of the file
// changes. Opening a file finishes a save that was cut off (process killed,
// machine down, a write that failed) by writing those bytes again. See the
// ordering contract in Save.cpp.
//
// A journal is named after the file's device and inode (".hxl-j<dev>-<ino>")
// and lies beside the file, or in the configuration folder's "Journals" when
// the file's folder takes no new files. A file has at most one: a save whose
// file still has one writes its own journal against the file as it is and
// puts it in the old one's place by a rename (see Save.cpp).
//
// Besides the new bytes a journal records what identifies the file state it
// was written for: the old and new lengths, a CRC-32 of the old bytes of
// every block it overwrites (blocks: a record's range cut at multiples of
// 4096 in the file, the unit a system writes whole) and of the old end that
// a shrinking save cuts away. It fits a file when the file has the old or
// the new length and every block holds its old or its new bytes, except at
// most one block that begins with its new bytes (the write cut off in it),
// after which no block holds new bytes that differ from its old ones.
// Only a journal that fits is ever replayed.
//
// File format (native byte order, one machine): an 80-byte header
// ("HXLJRNL2", device, inode, old length, new length, record bytes, record
// count, sequence, cut-away length, its CRC, CRC of the header), the records
// (destination, length, one CRC per block of old bytes, the new bytes), and a
// 16-byte trailer ("HXLJEND2", CRC over the header, record headers and block
// CRCs, CRC over the new bytes).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

namespace hx {

// Name of the journal of the file (device, inode) in a folder.
std::string JournalPath(const std::string &folder, uint64_t device, uint64_t inode);
// Where journals go when the file's own folder takes no new files: the
// configuration folder's "Journals" ($APPDATA, else $XDG_CONFIG_HOME, else
// ~/.config, then /Quillstone/Hexaloom/Journals). Empty when none is known.
std::string JournalFallbackFolder();
// The folders a journal of the file named path may lie in: its own folder,
// then the fallback folder (once, when they are the same).
std::vector<std::string> JournalFolders(const std::string &path);

// What a journal says about the file it is named after.
enum class JournalFit {
    Damaged,     // not a complete journal of ours: cut short, bad CRC, another format
    Foreign,     // intact, but the file is no longer in a state it was written for
    Fits,        // the file is in a state of that save: replaying it finishes the save
    Done,        // the file already holds every new byte and has the new length
    Unreadable,  // the journal or the file could not be read: nothing can be told
};

struct FoundJournal {
    std::string path, folder;
    JournalFit fit = JournalFit::Damaged;
    uint64_t sequence = 0;  // larger: written later
};

// Every journal of the open file (named name) in its folders, each examined
// against the file's current bytes. Removes stale temporaries there first.
std::vector<FoundJournal> FindJournals(FileHandle &file, const std::string &name);
// Renames a journal that must not be replayed to a name a user recognises
// in the same folder: the file's name + ".hexaloom-journal-" + date and
// time. Returns the new path, or the old one when the rename failed.
std::string KeepJournalAside(const FoundJournal &journal, const std::string &name);
// Removes a journal and flushes its folder.
bool RemoveJournal(const std::string &path, const std::string &folder, int &error);
// Removes every journal of the file (device, inode) from the folders of path:
// false with error set when one could not be removed.
bool RemoveJournalsOf(const std::string &path, uint64_t device, uint64_t inode, int &error);

class JournalWriter {
public:
    ~JournalWriter();

    struct Plan {
        uint64_t device = 0, inode = 0;
        int64_t oldLength = 0, newLength = 0;
        int64_t recordCount = 0;
        int64_t recordBytes = 0;   // sum of RecordBytes over all records to come
        uint64_t minSequence = 0;  // the journal's sequence is at least this
        std::string folder;        // where to put it first; empty: beside the file
    };
    // Bytes a record of length bytes at destination takes in the journal.
    static int64_t RecordBytes(int64_t destination, int64_t length);

    // Starts a journal for file (named name) under a temporary name in the
    // plan's folder, else beside the file, else in the fallback folder.
    bool begin(FileHandle &file, const std::string &name, const Plan &plan, int &error);
    // True once begin() made its temporary (a later failure is a write's).
    bool created() const { return !temporary_.empty() || committed_; }
    // A record: its header and the CRCs of the old bytes it will cover (read
    // from the file, still untouched), then exactly length bytes through
    // data() and copy().
    bool record(int64_t destination, int64_t length, int &error);
    bool data(const void *bytes, int64_t n, int &error);
    // A whole record whose new bytes are the file's length bytes at offset
    // (a chunk that moves); reads the file once where they lie near the
    // old bytes.
    bool recordFromFile(int64_t destination, int64_t length, int64_t offset, int &error);
    // Trailer, flush, final name, folder flush: from here on the journal
    // finishes the save when it is cut off.
    bool commit(int &error);
    // Removes the journal (committed or not) and makes that durable.
    bool remove(int &error);
    // Lets the committed journal stay (a failed save that changed the file:
    // the next save or open finishes it).
    void keep() { kept_ = true; }
    bool committed() const { return committed_; }
    const std::string &path() const { return final_; }
    const std::string &folder() const { return folder_; }

private:
    bool put(const void *bytes, int64_t n, int &error);
    // n bytes of the record from the file at offset.
    bool copy(int64_t offset, int64_t n, int &error);

    FileHandle *source_ = nullptr;
    std::string sourceName_;
    FileHandle file_;
    std::string temporary_, final_, folder_;
    int64_t oldLength_ = 0, expected_ = 0, written_ = 0;
    uint32_t metaSum_ = 0, dataSum_ = 0;
    bool committed_ = false, kept_ = false;
};

struct JournalRecovery {
    int32_t recovery = 0;     // a SaveRecovery value
    std::string keptAside;    // a journal put aside (the last one), or empty
};

// What OpenBinary does with the journals of the file it opened read-write
// under name: a journal that does not fit is put aside (never replayed); of
// those that fit, the latest is replayed (its bytes written, the file cut to
// the new length and flushed) and then removed with the others. A file that
// another open store reads is left alone: its journal is that store's.
JournalRecovery RecoverInterruptedSave(FileHandle &file, const std::string &name);

}  // namespace hx
