#include "browser/address_box.h"

#include "app/constants.h"
#include "app/gbk.h"
#include "app/globals.h"
#include "browser/tabs.h"

namespace qv {

Text RemoveBlanks(const Text& text) {
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = GbkCharLength(text, i);
    bool fullWidthSpace = n == 2 && static_cast<unsigned char>(text[i]) == 0xA1 &&
                          static_cast<unsigned char>(text[i + 1]) == 0xA1;
    if (!(n == 1 && text[i] == ' ') && !fullWidthSpace) out.append(text, i, n);
    i += n;
  }
  return out;
}

void OnAddressChar(int32_t code) {
  if (code == 13) NavigateTab(g->main.EditBox_Address->GetText(), g->CurrentTab);
}

void OnAddressKeyDown(int32_t key, int32_t modifiers) {
  if (key == 13 && modifiers == kModCtrl) OpenInNewTab(g->main.EditBox_Address->GetText());
}

void OnAddressFocusGained() {
  EditBox* box = g->main.EditBox_Address;
  if (RemoveBlanks(box->GetText()) == kAddressPlaceholder) box->SetText(Text());
  box->SetTextColor(kTypingColor);
}

void OnAddressFocusLost() {
  EditBox* box = g->main.EditBox_Address;
  Text bare = RemoveBlanks(box->GetText());
  if (bare == kAddressPlaceholder || bare.empty()) {
    box->SetText(kAddressPlaceholder);
    box->SetTextColor(kPlaceholderColor);
  }
}

int32_t IsRealAddress(int32_t index, const Text& url) {
  if (index != g->CurrentTab) return 0;
  if (url.empty() || url == "about:blank" || url == "http:///") return 0;
  return 1;
}

}  // namespace qv
