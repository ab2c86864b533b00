// Job records: what makes one valid, and their text form read back.
#include <gtest/gtest.h>

#include "GPPJobInfo.h"
#include "GUTF8Encoding.h"
#include "SharedObjects.h"

namespace
{
GPPJobInfo Job(int copies, char const* printerID = "id-1")
{
    GPathName path;
    path.SetNativePathString(GString("/tmp/Sendrixor A/Brochüre.pdf"));
    return GPPJobInfo(GString("anna"), path, GString("Sendrixor A"), GString("Port 1"), copies, GString(printerID));
}

GString Text(char const* bytes)
{
    return GString(deliverytest::BufferOf(bytes), GUTF8Encoding::GetInstance(), false);
}
} // namespace

TEST(GPPJobInfoTest, NeedsEveryFieldButThePrinterIdAndOneCopy)
{
    EXPECT_FALSE(Job(0).IsValid());
    EXPECT_TRUE(Job(1, "").IsValid());
    EXPECT_FALSE(GPPJobInfo(GString("anna"), GPathName(), GString("S"), GString("P"), 1, GString()).IsValid());
    EXPECT_FALSE(GPPJobInfo(GString(), Job(1).GetJobPath(), GString("S"), GString("P"), 1, GString()).IsValid());
}

TEST(GPPJobInfoTest, ItsTextFormReadsBackToAnEqualJob)
{
    GPPJobInfo const job = Job(3);
    GString text;
    job.ToGString(text);
    GPPJobInfo const back(text);
    EXPECT_TRUE(back.GetUserName() == job.GetUserName());
    EXPECT_TRUE(back.GetJobPath() == job.GetJobPath());
    EXPECT_TRUE(back.GetPrinterName() == job.GetPrinterName());
    EXPECT_TRUE(back.GetPortName() == job.GetPortName());
    EXPECT_EQ(back.GetCopyCount(), 3);
    EXPECT_TRUE(back.GetPrinterID() == job.GetPrinterID());
    // The message bytes are that text in UTF-8, without a terminating zero.
    GBuffer const data = job.ToMessageData();
    EXPECT_TRUE(GString(data, GUTF8Encoding::GetInstance(), false) == text);
    EXPECT_NE(data.GetPtr()[data.GetLength() - 1], 0);
}

TEST(GPPJobInfoTest, ReadsTheCopyCountAsANumberAndMissingKeysAsEmpty)
{
    struct Case
    {
        char const* fText;
        int fCopies;
    };
    Case const cases[] = {
        {"#BEGINDICT\r\"UserName\" \"u\"\r#ENDDICT\r", 0},
        {"#BEGINDICT\r\"CopyCount\" \"12abc\"\r#ENDDICT\r", 12},
        {"#BEGINDICT\r\"CopyCount\" \"abc\"\r#ENDDICT\r", 0},
        {"#BEGINDICT\r\"CopyCount\" \"-4\"\r#ENDDICT\r", -4},
        {"no dictionary", 0},
    };
    for (Case const& entry : cases)
    {
        SCOPED_TRACE(entry.fText);
        GPPJobInfo const job(Text(entry.fText));
        EXPECT_EQ(job.GetCopyCount(), entry.fCopies);
        EXPECT_TRUE(job.GetJobPath().IsEmpty());
        EXPECT_TRUE(job.GetPrinterName().IsEmpty());
    }
}
