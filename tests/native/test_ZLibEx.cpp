#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "appended/ZLibEx.h"
#include "appended/uBlockWriter.h"
#include "support/ZlibSample.h"

namespace {

using testsupport::Plain600;
using testsupport::Stream46;

struct Inflated {
  void* Data = nullptr;
  int32_t Size = -1;
  ~Inflated() { std::free(Data); }
  std::string Text() const { return Data ? std::string(static_cast<char*>(Data), Size) : std::string(); }
};

void Inflate(const std::string& Stream, Inflated& Out, int32_t Estimate = 0) {
  DecompressBuffer(Stream.data(), static_cast<int32_t>(Stream.size()), Out.Data, Out.Size, Estimate);
}

std::string ErrorOf(const std::string& Stream) {
  Inflated Out;
  try {
    Inflate(Stream, Out);
  } catch (const EZDecompressionError& E) {
    EXPECT_EQ(Out.Data, nullptr);  // results untouched on failure
    EXPECT_EQ(Out.Size, -1);
    return E.what();
  }
  return "no error";
}

TEST(ZLibEx, StreamOf46BytesInflatesTo600AndIsTrimmed) {
  const std::string S = Stream46();
  ASSERT_EQ(S.size(), 46u);
  Inflated Out;
  Inflate(S, Out);
  EXPECT_EQ(Out.Size, 600);
  EXPECT_EQ(Out.Text(), Plain600());
}

TEST(ZLibEx, RoundTripsWhateverTheEstimate) {
  std::string Big;
  for (int i = 0; Big.size() < 200000; ++i) Big += "line " + std::to_string(i * 7919 % 1000) + " of text\n";
  // Zeros inflate a thousandfold: the output outgrows the first reserve many times over, and
  // matches reach back across the buffers that hold it.
  const std::string Plains[] = {"x", Plain600(), Big, std::string(1 << 20, '\0'),
                                Big + std::string(3 << 20, '\0') + Big + Big};
  for (const std::string& Plain : Plains) {
    const std::string Packed = blockwriter::CompressItemData(Plain);
    for (int32_t Estimate : {0, 1, 255, static_cast<int32_t>(Plain.size()), static_cast<int32_t>(Plain.size()) * 3, -5}) {
      Inflated Out;
      Inflate(Packed, Out, Estimate);
      EXPECT_EQ(Out.Size, static_cast<int32_t>(Plain.size())) << Estimate;
      EXPECT_TRUE(Out.Text() == Plain) << "size " << Plain.size() << " estimate " << Estimate;
    }
  }
}

TEST(ZLibEx, StreamOfNothingGivesNullAndZero) {
  Inflated Out;
  Inflate(blockwriter::CompressItemData(""), Out, 100);
  EXPECT_EQ(Out.Data, nullptr);
  EXPECT_EQ(Out.Size, 0);
}

std::string WithDictionary() {
  z_stream Z{};
  deflateInit(&Z, Z_BEST_COMPRESSION);
  const std::string Dict = "screen saver screen saver";
  deflateSetDictionary(&Z, reinterpret_cast<const Bytef*>(Dict.data()), static_cast<uInt>(Dict.size()));
  std::string In = "screen saver uninstall", Out(256, '\0');
  Z.next_in = reinterpret_cast<Bytef*>(&In[0]);
  Z.avail_in = static_cast<uInt>(In.size());
  Z.next_out = reinterpret_cast<Bytef*>(&Out[0]);
  Z.avail_out = static_cast<uInt>(Out.size());
  deflate(&Z, Z_FINISH);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  return Out;
}

TEST(ZLibEx, FailuresRaiseZlibsMessage) {
  const std::string Good = blockwriter::CompressItemData(Plain600());
  const std::string Zeros = blockwriter::CompressItemData(std::string(1 << 20, '\0'));
  std::string BadHeader = Good, BadCheck = Good, BadData = Good;
  BadHeader[1] = static_cast<char>(BadHeader[1] ^ 0x01);  // header check no longer a multiple of 31
  BadCheck.back() = static_cast<char>(BadCheck.back() ^ 0x55);
  BadData[2] = static_cast<char>(0xFF);                   // reserved block type
  struct Case { const char* What; std::string Stream; const char* Message; } Cases[] = {
      {"bad header", BadHeader, "data error"},
      {"bad Adler-32", BadCheck, "data error"},
      {"bad deflate data", BadData, "data error"},
      {"cut short", Good.substr(0, Good.size() / 2), "buffer error"},
      {"header only", Good.substr(0, 2), "buffer error"},
      {"cut short after outgrowing the reserve", Zeros.substr(0, Zeros.size() / 2), "buffer error"},
      {"empty input", std::string(), "buffer error"},
      // No dictionary is supplied; asking again would loop for ever.
      {"preset dictionary", WithDictionary(), "need dictionary"},
  };
  for (const auto& C : Cases) EXPECT_EQ(ErrorOf(C.Stream), C.Message) << C.What;
}

TEST(ZLibEx, MessageTableIsIndexedByTwoMinusCode) {
  const char* Expected[] = {"need dictionary", "stream end", "", "file error", "stream error",
                            "data error", "insufficient memory", "buffer error", "incompatible version"};
  for (int Code = 2; Code >= -6; --Code) EXPECT_EQ(ZErrorMessage(Code), Expected[2 - Code]) << Code;
  EXPECT_EQ(ZErrorMessage(-7), "");
  EXPECT_EQ(ZErrorMessage(3), "");
  EXPECT_EQ(DecompressCheck(Z_NEED_DICT), Z_NEED_DICT);
  EXPECT_THROW(DecompressCheck(Z_DATA_ERROR), EZDecompressionError);
  try {
    DecompressCheck(Z_VERSION_ERROR);
  } catch (const EZLibError& E) {
    EXPECT_STREQ(E.what(), "incompatible version");
  }
}

}  // namespace
