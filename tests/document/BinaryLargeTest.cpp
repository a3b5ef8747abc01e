// Offsets beyond 4 GiB: a sparse file of 5 GiB and more, with marks written
// above 2^32, read, searched and edited through the store (real chunk length).

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "StoreModel.h"

namespace hx::test {
namespace {

constexpr int64_t kL = 4000000;
constexpr int64_t kFileLength = (int64_t(5) << 30) + 12345;
// Just past 2^32 and straddling a chunk boundary (a multiple of L) above it.
constexpr int64_t kMarkAt = (int64_t(1) << 32) + 7;
constexpr int64_t kBoundary = ((int64_t(1) << 32) / kL + 3) * kL;
constexpr int64_t kStraddleAt = kBoundary - 5;

const Bytes kMark = {'H', 'e', 'x', 'a', 'l', 'o', 'o', 'm', '>', '4', 'G'};

class SparseFile : public ::testing::Test {
protected:
    void SetUp() override {
        int fd = ::open(file_.path().c_str(), O_RDWR);
        ASSERT_GE(fd, 0);
        const bool sized = ::ftruncate(fd, kFileLength) == 0;
        const bool marked = sized &&
                            ::pwrite(fd, kMark.data(), kMark.size(), kMarkAt) == ssize_t(kMark.size()) &&
                            ::pwrite(fd, kMark.data(), kMark.size(), kStraddleAt) == ssize_t(kMark.size());
        struct stat st {};
        ::fstat(fd, &st);
        ::close(fd);
        if (!sized) GTEST_SKIP() << "the temporary folder's file system cannot hold a 5 GiB file";
        ASSERT_TRUE(marked);
        // A file system without holes would really write 5 GiB: not in a unit test.
        if (st.st_blocks * 512 > (int64_t(64) << 20))
            GTEST_SKIP() << "the temporary folder's file system does not keep files sparse";
        store_ = OpenBinary(-1, file_.path(), kL);
        ASSERT_NE(store_, nullptr);
    }
    void TearDown() override { FreeBinary(store_); }

    Bytes read(int64_t p, int64_t n) {
        ByteBuffer b = ReadBinary(store_, p, n, 1);
        return b.valid() ? Bytes(b.data(), b.data() + b.size()) : Bytes{};
    }

    TempFile file_;
    Binary *store_ = nullptr;
};

TEST_F(SparseFile, ReadsFindsAndEditsAbove4GiB) {
    EXPECT_EQ(store_->Length, kFileLength);
    EXPECT_EQ(static_cast<int64_t>(store_->Chunks.size()), (kFileLength + kL - 1) / kL);
    EXPECT_EQ(store_->Chunks.back().FileOffset, (kFileLength - 1) / kL * kL);

    EXPECT_EQ(read(kMarkAt, 11), kMark);
    EXPECT_EQ(read(kStraddleAt, 11), kMark);
    EXPECT_EQ(read(kFileLength - 3, -1), Bytes(3, 0));

    EXPECT_EQ(FindBinary(store_, kMark.data(), 11, kMarkAt - 3 * kL), kMarkAt);
    EXPECT_EQ(FindBinary(store_, kMark.data(), 11, kMarkAt + 1), kStraddleAt) << "across a boundary";

    // Insert above 2^32: the marks after it move, the file is not touched.
    const Bytes ins = {1, 2, 3};
    ASSERT_EQ(InsertBinary(store_, kMarkAt + 2, ins.data(), 3), BinaryOk);
    EXPECT_EQ(store_->Length, kFileLength + 3);
    EXPECT_EQ(read(kMarkAt, 5), (Bytes{'H', 'e', 1, 2, 3}));
    EXPECT_EQ(FindBinary(store_, kMark.data(), 11, kMarkAt + 1), kStraddleAt + 3);
    ASSERT_EQ(RemoveBinary(store_, kMarkAt + 2, 3), BinaryOk);
    EXPECT_EQ(read(kMarkAt, 11), kMark);

    std::string why;
    EXPECT_TRUE(CheckInvariants(*store_, &why)) << why;
    // Only the chunks that were read or edited are in memory.
    EXPECT_LE(GetBinaryCacheSize(store_), 8 * kL);
}

}  // namespace
}  // namespace hx::test
