// TPEImage over arbitrary files: load, ask for the image end, save the model and load the copy.
#include <cstdio>

#include "FuzzFile.h"
#include "appended/uPEUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string& Path = fuzzsupport::InputPath("pe");
  const std::string Saved = Path + ".saved";
  fuzzsupport::WriteInput(Path, Data, Size);
  try {
    TPEImage Image(Path);
    (void)Image.GetImageEnd();
    for (const auto& Section : Image.Sections) {
      const TSectionData* D = Section->SectionData();
      if (!D || static_cast<size_t>(D->BlockSize()) != D->Memory().size()) __builtin_trap();
    }
    Image.SaveToFile(Saved);
    TPEImage Again(Saved);
  } catch (const EImageBlockException&) {
  }
  std::remove(Saved.c_str());
  return 0;
}
