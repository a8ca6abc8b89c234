// The one outcome shape: a value or an error number with its description,
// and the reasons a read of a profile file gives none.

#include "profile/error_numbers.h"
#include "profile/profile_store.h"
#include "profile/result.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

namespace kvapomer {
namespace {

TEST(Result, HoldsAValueOrAnError) {
    Result<QByteArray> value(QByteArray("abc"));
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(value.value(), "abc");
    EXPECT_EQ(value.error(), Error{});
    EXPECT_EQ(std::move(value).valueOr("x"), "abc");

    Result<QByteArray> failed(errorOf(error::kOverflow));
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.error(), (Error{6, QString::fromUtf8("Přetečení")}));
    EXPECT_EQ(std::move(failed).valueOr("x"), "x");

    EXPECT_TRUE(Result<void>{});
    const Result<void> write(errorOf(error::kDiskFull));
    EXPECT_FALSE(write.ok());
    EXPECT_EQ(write.error().description, QString::fromUtf8("Disk je plný"));
    EXPECT_EQ(errorOf(1).description, QString::fromUtf8("Neznámá chyba"));
}

TEST(Result, ReadOfAProfileFileSaysWhyItHasNoBytes) {
    test::TempFolder folder;
    folder.write("a.ini", "[Main]\r\n");
    EXPECT_EQ(readProfileBytes(folder.file("a.ini")).value(), "[Main]\r\n");
    EXPECT_EQ(readProfileBytes(folder.file("absent.ini")).error().number, error::kFileNotFound);
    EXPECT_EQ(readProfileBytes(folder.path()).error().number, error::kFileAccess);
}

} // namespace
} // namespace kvapomer
