// The builder's tool and Authenticode signatures. With a real signing tool (osslsigncode) and
// throwaway certificates made with openssl: stamp for signing, sign, verify, read the block; every
// refusal of a signed input; --unsign and a fresh signature. No timestamp server: nothing here
// reaches the network. Run on a small image of our own and on the shipped 32-bit Uninst.exe. And
// without signing: what the tool says about signing a file it writes or lists.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "appended/uBlockWriter.h"
#include "appended/uExeAdder.h"
#include "appended/uStreamUtils.h"
#include "exeadder/uAuthenticode.h"
#include "exeadder/uExeAdderTool.h"
#include "support/PEBuilder.h"
#include "support/TempFolder.h"
#include "support/ToolFolder.h"

namespace {

using exeaddertool::RunExeAdder;
using exeaddertool::TToolResult;
using testsupport::GuidOf;
using testsupport::TempFolder;
using testsupport::ToolFolder;

const char kGuid[] = "{8C1F0E53-2B7A-4D19-A6E4-5F30C9B2D871}";

// Runs a shell command; returns its exit status, its output (both streams) in Output.
int Shell(const std::string& Command, std::string* Output = nullptr) {
  static TempFolder Logs("signing_log_");
  const std::string Log = Logs("out.txt");
  const int Status = std::system((Command + " >'" + Log + "' 2>&1 </dev/null").c_str());
  if (Output) *Output = Logs.Read("out.txt");
  return Status != -1 && WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

std::string Quote(const std::string& Path) { return "'" + Path + "'"; }

// A certificate and key to sign with, and the certificate that verification trusts.
struct TSigner {
  const char* Name;
  std::string Certs, Key, TrustedCa;
};

// Made once: a self-signed code-signing certificate, and a longer chain (a root, an intermediate
// and the signer, all three in the signature), whose certificate table is larger, so that more
// bytes follow the block.
class TSigners {
 public:
  TSigners() : Folder_("signing_keys_") {
    if (Shell("command -v osslsigncode && command -v openssl") != 0) {
      Error = "osslsigncode or openssl is missing (scripts/install-deps.sh installs them)";
      return;
    }
    const std::string Req = "openssl req -x509 -days 3650 -nodes -newkey rsa:2048 ";
    const std::string Ca = "-addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign ";
    const std::string Leaf =
        "-addext basicConstraints=critical,CA:FALSE -addext keyUsage=critical,digitalSignature "
        "-addext extendedKeyUsage=codeSigning ";
    const auto Make = [&](const std::string& Name, const std::string& Subject, const std::string& Extensions,
                          const std::string& Issuer) {
      std::string Output;
      const std::string Command = Req + "-keyout " + Quote(F(Name + ".key")) + " -out " + Quote(F(Name + ".pem")) +
                                  " -subj '/CN=" + Subject + "' " + Extensions +
                                  (Issuer.empty() ? "" : "-CA " + Quote(F(Issuer + ".pem")) + " -CAkey " + Quote(F(Issuer + ".key")));
      if (Error.empty() && Shell(Command, &Output) != 0) Error = "openssl failed: " + Command + "\n" + Output;
    };
    Make("self", "Korvane Test Signer", Leaf, "");
    Make("root", "Korvane Test Root CA", Ca, "");
    Make("intermediate", "Korvane Test Intermediate CA", Ca, "root");
    Make("leaf", "Korvane Test Release Signer", Leaf, "intermediate");
    Folder_.Put("chain.pem", Folder_.Read("leaf.pem") + Folder_.Read("intermediate.pem") + Folder_.Read("root.pem"));
    Self = {"self-signed", F("self.pem"), F("self.key"), F("self.pem")};
    Chain = {"chain of three", F("chain.pem"), F("leaf.key"), F("root.pem")};
  }
  std::string F(const std::string& Name) const { return Folder_(Name); }

  std::string Error;
  TSigner Self, Chain;

 private:
  TempFolder Folder_;
};

const TSigners& Signers() {
  static const TSigners Made;
  return Made;
}

// Signs In into Out; "" when it worked, else the signing tool's output.
std::string Sign(const TSigner& Signer, const std::string& In, const std::string& Out) {
  std::string Output;
  const int Status = Shell("osslsigncode sign -certs " + Quote(Signer.Certs) + " -key " + Quote(Signer.Key) +
                               " -n 'Korvane Uninstaller' -h sha256 -in " + Quote(In) + " -out " + Quote(Out),
                           &Output);
  return Status == 0 ? std::string() : Output.empty() ? "failed" : Output;
}

bool Verifies(const TSigner& Signer, const std::string& File, std::string* Output = nullptr) {
  return Shell("osslsigncode verify -CAfile " + Quote(Signer.TrustedCa) + " -in " + Quote(File), Output) == 0;
}

struct TInputImage {
  const char* Name;
  std::string (*Bytes)(std::string& WhyNot);
};

std::ostream& operator<<(std::ostream& Os, const TInputImage& I) { return Os << I.Name; }

const TInputImage kInputs[] = {
    {"SmallImage", [](std::string&) { return pebuilder::SignableImage(); }},
    // The real program, as shipped (the win32 preset's nested build writes it; ./dev test builds
    // it before these tests run).
    {"ShippedUninst",
     [](std::string& WhyNot) {
       try {
         return LoadFileBytes(UNINST_SHIPPED_EXE_PATH);
       } catch (const EFOpenError& E) {
         WhyNot = std::string(UNINST_SHIPPED_EXE_PATH " is not built (cmake --build --preset win32 --target Uninst): ") + E.what();
         return std::string();
       }
     }},
};

// A folder with the input as Uninst.exe, stamped for signing into SampleUninst.exe.
class ToolSigning : public ::testing::TestWithParam<TInputImage> {
 protected:
  void SetUp() override {
    ASSERT_EQ(Signers().Error, "");
    std::string WhyNot;
    Input = GetParam().Bytes(WhyNot);
    if (Input.empty()) GTEST_SKIP() << WhyNot;
    F.Put("Uninst.exe", Input);
    const TToolResult R = RunExeAdder({"stamp", F("Uninst.exe"), "--product", "Sample", "--mutex", kGuid, "--for-signing",
                                       "--out", F.Dir().string()});
    ASSERT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_NE(R.Out.find("next step: sign " + Stamped()), std::string::npos) << R.Out;
    std::filesystem::create_directory(F("signed"));
  }
  std::string Stamped() const { return F("SampleUninst.exe"); }
  std::string SignedCopy() const { return F("signed/SampleUninst.exe"); }

  TempFolder F{"signing_test_"};
  std::string Input;
};

// The whole order: stamp for signing, sign, verify; the block is read behind the signature as
// though it ended the file, and list tells where the signature's table lies.
TEST_P(ToolSigning, StampForSigningSignVerifyAndRead) {
  int64_t Behind[2] = {};
  const TSigner* Each[2] = {&Signers().Self, &Signers().Chain};
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(Each[i]->Name);
    const std::string Signed = F(std::string("signed-") + std::to_string(i) + ".exe");
    ASSERT_EQ(Sign(*Each[i], Stamped(), Signed), "");
    std::string Verification;
    EXPECT_TRUE(Verifies(*Each[i], Signed, &Verification)) << Verification;

    TBlockInfo Info;
    EXPECT_EQ(GuidOf(Signed, &Info), kGuid);
    EXPECT_EQ(Info.Place.Start, static_cast<int64_t>(Input.size())) << "the block where the image ends";
    Behind[i] = Info.Place.FileSize - Info.Place.End;

    // The table ends the file; the signing tool's checksum is ours.
    const std::string Bytes = LoadFileBytes(Signed);
    const authenticode::TSignatureInfo Sig = authenticode::ReadSignatureInfo(Bytes);
    ASSERT_TRUE(Sig.TableInFile());
    EXPECT_EQ(uint64_t{Sig.TableOffset} + Sig.TableSize, Bytes.size());
    EXPECT_EQ(Sig.Checksum, authenticode::PEChecksum(Bytes, Sig.ChecksumOffset));

    const TToolResult R = RunExeAdder({"list", Signed});
    ASSERT_EQ(R.ExitCode, 0) << R.Err;
    EXPECT_NE(R.Out.find("found behind the image, " + std::to_string(Behind[i]) + " bytes of other data behind it\n"),
              std::string::npos) << R.Out;
    EXPECT_NE(R.Out.find("signed: Authenticode certificate table of " + std::to_string(Sig.TableSize) + " bytes at offset " +
                         std::to_string(Sig.TableOffset) +
                         " (security directory); the block lies inside the range the signature covers, the file up to "
                         "offset " + std::to_string(Sig.TableOffset) + "\n"),
              std::string::npos) << R.Out;
  }
  EXPECT_GT(Behind[1], Behind[0] + 1000) << "the longer chain puts more bytes behind the block";
}

// Any change to a signed file would invalidate its signature: refused, one line that says so and
// names --unsign, nothing written; the signature still verifies.
TEST_P(ToolSigning, RefusesToChangeASignedFile) {
  const TSigner& Signer = Signers().Self;
  ASSERT_EQ(Sign(Signer, Stamped(), SignedCopy()), "");
  const std::string S = SignedCopy(), Out = F("out.exe"), Dir = F("signed");
  const std::vector<std::vector<std::string>> Commands = {
      {"add", S, Out, "--text", "GUID", "x"},
      {"add", S, Out, "--replace", "--behind-image", "--ztext", "GUID", kGuid},
      {"add", "--in-place", "--replace", S, "--text", "GUID", "x"},
      {"stamp", S, "--product", "Other", "--mutex", "m", "--out", F.Dir().string(), "--replace"},
      {"stamp", S, "--product", "Sample", "--mutex", "m", "--out", Dir, "--for-signing", "--replace", "--in-place"},
      {"strip", S, Out},
      {"strip", "--in-place", S},
  };
  const std::string Before = F.Read("signed/SampleUninst.exe");
  for (const std::vector<std::string>& Args : Commands) {
    const TToolResult R = RunExeAdder(Args);
    const std::string What = Args[0] + " " + Args.back();
    EXPECT_EQ(R.ExitCode, 1) << What;
    EXPECT_EQ(R.Out, "") << What;
    EXPECT_NE(R.Err.find(S + " carries an Authenticode signature (certificate table of "), std::string::npos) << What << ": " << R.Err;
    EXPECT_NE(R.Err.find("which this change would invalidate: give --unsign to remove it, then sign the written file again\n"),
              std::string::npos) << What << ": " << R.Err;
    EXPECT_EQ(R.Err.find('\n'), R.Err.size() - 1) << What;
    EXPECT_FALSE(std::filesystem::exists(Out)) << What;
    EXPECT_FALSE(std::filesystem::exists(F("OtherUninst.exe"))) << What;
    EXPECT_TRUE(F.Read("signed/SampleUninst.exe") == Before) << What;
  }
  EXPECT_TRUE(Verifies(Signer, S));
}

// --unsign removes the signature as the signing tool itself does (table, directory entry,
// checksum), then makes the change; a fresh signature verifies, and the new block is read.
TEST_P(ToolSigning, UnsignThenSignAgain) {
  const TSigner& Signer = Signers().Chain;
  ASSERT_EQ(Sign(Signer, Stamped(), SignedCopy()), "");
  const std::string S = SignedCopy();
  const authenticode::TSignatureInfo Was = authenticode::ReadSignatureInfo(F.Read("signed/SampleUninst.exe"));

  // The same block again: the tool's unsigned file is the signing tool's, byte for byte.
  TToolResult R = RunExeAdder({"add", S, F("unsigned.exe"), "--replace", "--behind-image", "--ztext", "GUID", kGuid, "--unsign"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("removed the Authenticode signature of " + S + " (certificate table of " +
                       std::to_string(Was.TableSize) + " bytes at offset " + std::to_string(Was.TableOffset) + ")\n"),
            std::string::npos) << R.Out;
  ASSERT_EQ(Shell("osslsigncode remove-signature -in " + Quote(S) + " -out " + Quote(F("removed.exe"))), 0);
  EXPECT_TRUE(F.Read("unsigned.exe") == F.Read("removed.exe"));

  // Stamped anew in place: unsigned, the checksum right, verification fails until it is signed.
  R = RunExeAdder({"stamp", S, "--product", "Sample", "--mutex", "{new}", "--out", F("signed"), "--for-signing", "--replace",
                   "--in-place", "--unsign"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("removed the Authenticode signature of " + S), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("next step: sign " + S + " with Authenticode"), std::string::npos) << R.Out;
  const std::string Unsigned = F.Read("signed/SampleUninst.exe");
  const authenticode::TSignatureInfo Now = authenticode::ReadSignatureInfo(Unsigned);
  EXPECT_FALSE(Now.Signed());
  EXPECT_EQ(Now.Checksum, authenticode::PEChecksum(Unsigned, Now.ChecksumOffset));
  EXPECT_FALSE(Verifies(Signer, S));
  EXPECT_EQ(GuidOf(S), "{new}");

  ASSERT_EQ(Sign(Signer, S, F("resigned.exe")), "");
  EXPECT_TRUE(Verifies(Signer, F("resigned.exe")));
  EXPECT_EQ(GuidOf(F("resigned.exe")), "{new}");
  EXPECT_NE(RunExeAdder({"list", F("resigned.exe")}).Out.find("the block lies inside the range the signature covers"),
            std::string::npos);

  // Stripped: no block, no signature, and the builder is told to sign again.
  R = RunExeAdder({"strip", F("resigned.exe"), F("stripped.exe"), "--unsign"});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("next step: sign " + F("stripped.exe") + " again\n"), std::string::npos) << R.Out;
  EXPECT_EQ(GuidOf(F("stripped.exe")), "(none)");
  EXPECT_FALSE(authenticode::ReadSignatureInfo(F.Read("stripped.exe")).Signed());
}

// What the tool used to do without a word: a block written behind the certificate table. The
// signature no longer verifies, and list says that it does not cover the block.
TEST_P(ToolSigning, ListsABlockBehindTheTableAsOutsideTheSignature) {
  const TSigner& Signer = Signers().Self;
  ASSERT_EQ(Sign(Signer, F("Uninst.exe"), SignedCopy()), "");
  const std::string Signed = F.Read("signed/SampleUninst.exe");
  F.Put("late.exe", Signed + blockwriter::BuildBlock({{"GUID", kGuid, true}}, blockwriter::kDefaultKey, static_cast<int64_t>(Signed.size())));
  EXPECT_FALSE(Verifies(Signer, F("late.exe")));
  const TToolResult R = RunExeAdder({"list", F("late.exe")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("the block lies outside the range the signature covers"), std::string::npos) << R.Out;
}

INSTANTIATE_TEST_SUITE_P(Inputs, ToolSigning, ::testing::ValuesIn(kInputs),
                         [](const ::testing::TestParamInfo<TInputImage>& Info) { return std::string(Info.param.Name); });

// Signing appends a certificate table: the block stays readable only where the image ends, with
// EndOffset set. Writing for signing says that signing comes next; list says whether it may.
TEST(ToolSigning, SaysWhetherSigningKeepsTheBlockReadable) {
  ToolFolder F;
  F.Put("Unstripped.exe", pebuilder::SmallImage() + "symbol table");
  TToolResult R = RunExeAdder({"stamp", F("Unstripped.exe"), "--product", "Ready", "--mutex", "m", "--for-signing", "--out", F("")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_NE(R.Out.find("block of 47 bytes at offset 1536, 12 bytes of other data behind it\n"), std::string::npos) << R.Out;
  EXPECT_NE(R.Out.find("next step: sign " + F("ReadyUninst.exe") +
                       " with Authenticode; the block lies where the image ends, inside the range the signature covers\n"),
            std::string::npos)
      << R.Out;
  R = RunExeAdder({"stamp", F("Unstripped.exe"), "--product", "Late", "--mutex", "m", "--out", F("")});
  ASSERT_EQ(R.ExitCode, 0) << R.Err;
  EXPECT_EQ(R.Out.find("sign"), std::string::npos) << "nothing about signing unless asked: " << R.Out;
  ASSERT_EQ(RunExeAdder({"stamp", F("Uninst64.exe"), "--product", "Wide", "--mutex", "m", "--out", F("")}).ExitCode, 0);

  const std::string Ready = "not signed (no Authenticode certificate table); signing keeps the block readable: it lies where the image ends\n";
  const std::string Hidden =
      "not signed (no Authenticode certificate table); signing would hide the block from the uninstaller: write the file with "
      "stamp --for-signing or add --behind-image\n";
  struct Case { const char* File; std::string Says; } Cases[] = {
      {"ReadyUninst.exe", Ready},
      {"LateUninst.exe", Hidden},  // behind the symbol table: the reader would look at the image end
      {"Stamped.exe", Ready},      // at the end, but also where the image ends
      {"WideUninst.exe",
       "not signed (no Authenticode certificate table); signing would hide the block from the uninstaller: its reader "
       "finds a block behind 32-bit images only\n"},
  };
  for (const Case& C : Cases) {
    R = RunExeAdder({"list", F(C.File)});
    EXPECT_NE(R.Out.find(C.Says), std::string::npos) << C.File << ": " << R.Out << R.Err;
  }
  ASSERT_EQ(RunExeAdder({"add", F("Plain.bin"), F("plain.out"), "--text", "GUID", "x"}).ExitCode, 0);
  EXPECT_NE(RunExeAdder({"list", F("plain.out")}).Out.find("\nnot a PE image, so not signed\n"), std::string::npos);
}

}  // namespace
