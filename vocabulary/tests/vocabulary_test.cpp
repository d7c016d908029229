#include <gtest/gtest.h>

#include <vector>

#include "frequency_texts.h"
#include "vocabulary/frequency_text.h"
#include "vocabulary/receiver_names.h"

namespace vocabulary {
namespace {

TEST(FrequencyText, ReadsEveryUnitExactlyAndRefusesWhatIsNotWholeHertz) {
  for (const auto& [text, hz] : testing::kFrequencyTexts) EXPECT_EQ(ReadFrequency(text), hz) << text;
  EXPECT_EQ(ReadFrequency("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ReadFrequency("9223372036854775808"), std::nullopt);
  EXPECT_EQ(ReadFrequency("0.000000001e9999 GHz"), std::nullopt);
  EXPECT_EQ(ReadFrequency("0e99999"), std::nullopt);
}

TEST(ReceiverNames, EveryFormNamesOneReceiverAndASharedNameIsNotGuessed) {
  const std::vector<ReceiverForms> receivers = {
      {1, "", *ClassicModelNames(266)},        {2, "", *ClassicModelNames(1024)},
      {3, "", *ClassicModelNames(266)},        {0, "C4000815", *NewerModelNames("C4")},
      {0, "C1004711", *NewerModelNames("C1")},
  };
  EXPECT_EQ(receivers[0].Text(), "classic:1 (Halv-A1, Halv-A1b)");
  EXPECT_EQ(receivers[3].Text(), "C4000815 (HalvoC4, Halv-C4WM)");
  EXPECT_EQ(receivers[4].Text(), "C1004711 (Halv-C1)");

  EXPECT_EQ(ResolveReceiver(receivers, "classic:3"), 2u);
  EXPECT_EQ(ResolveReceiver(receivers, "CLASSIC:1"), 0u);
  EXPECT_EQ(ResolveReceiver(receivers, "Halv-B3"), 1u);
  EXPECT_EQ(ResolveReceiver(receivers, "c4000815"), 3u);
  EXPECT_EQ(ResolveReceiver(receivers, "HalvoC4"), 3u);
  EXPECT_EQ(ResolveReceiver(receivers, "halv-c4wm"), 3u);
  EXPECT_EQ(ResolveReceiver(receivers, "Halv-C1"), 4u);
  try {
    ResolveReceiver(receivers, "Halv-A1");
    ADD_FAILURE() << "two receivers are called Halv-A1";
  } catch (const ReceiverNotFound& error) {
    EXPECT_STREQ(error.what(),
                 "\"Halv-A1\" fits 2 receivers (classic:1 (Halv-A1, Halv-A1b); classic:3 (Halv-A1, "
                 "Halv-A1b)): name one by its classic:N or serial number");
  }
  EXPECT_THROW(ResolveReceiver(receivers, "classic:4"), ReceiverNotFound);
  EXPECT_THROW(ResolveReceiver(receivers, "2"), ReceiverNotFound);
  EXPECT_THROW(ResolveReceiver({}, "Halv-B3"), ReceiverNotFound);
}

}  // namespace
}  // namespace vocabulary
