#include "vocabulary/receiver_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace vocabulary {
namespace {

struct ClassicModel {
  int32_t code;
  std::string_view name;
  std::string_view variantLetter;  // appended to the name for the model text
};

constexpr std::array kClassicModels = {
    ClassicModel{256, "Halv-A1", "a"}, ClassicModel{266, "Halv-A1", "b"}, ClassicModel{276, "Halv-A2", ""},
    ClassicModel{306, "Halv-A3", ""},  ClassicModel{311, "Halv-A4", ""},  ClassicModel{512, "Halv-A5", ""},
    ClassicModel{522, "Halv-A6", ""},  ClassicModel{527, "Halv-A7", ""},  ClassicModel{532, "Halv-A8", ""},
    ClassicModel{562, "Halv-A9", ""},  ClassicModel{582, "Halv-B1", ""},  ClassicModel{768, "Halv-B2", ""},
    ClassicModel{860, "Halv-B4", ""},  ClassicModel{1024, "Halv-B3", ""},
};

struct NewerModel {
  std::string_view family;
  std::string_view model;
  std::string_view tag;  // the receiver name, where it is not the model
};

constexpr std::array kNewerModels = {
    NewerModel{"C1", "Halv-C1", ""},          NewerModel{"C2", "Halv-C2", ""},
    NewerModel{"C3", "Halv-C3M", "HalvoC3"},  NewerModel{"C4", "Halv-C4WM", "HalvoC4"},
    NewerModel{"C5", "Halv-C5TC", "HalvoC5"},
};

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Listed(std::span<const ReceiverForms> receivers, std::span<const std::size_t> which) {
  std::string text;
  for (const std::size_t index : which) text += (text.empty() ? "" : "; ") + receivers[index].Text();
  return text.empty() ? "none" : text;
}

}  // namespace

std::optional<ModelNames> ClassicModelNames(int32_t modelCode) {
  for (const ClassicModel& model : kClassicModels) {
    if (model.code == modelCode)
      return ModelNames{std::string(model.name), std::string(model.name) + std::string(model.variantLetter)};
  }
  return std::nullopt;
}

std::optional<ModelNames> NewerModelNames(std::string_view family) {
  for (const NewerModel& model : kNewerModels) {
    if (model.family == family)
      return ModelNames{std::string(model.tag.empty() ? model.model : model.tag), std::string(model.model)};
  }
  return std::nullopt;
}

std::string ClassicId(int32_t deviceNumber) { return "classic:" + std::to_string(deviceNumber); }

std::string ReceiverForms::Unique() const { return classicNumber ? ClassicId(classicNumber) : serial; }

std::string ReceiverForms::Text() const {
  std::string others;
  auto add = [&](const std::string& form) {
    if (!form.empty() && !SameText(form, Unique())) others += (others.empty() ? "" : ", ") + form;
  };
  add(names.name);
  if (!SameText(names.model, names.name)) add(names.model);
  return others.empty() ? Unique() : Unique() + " (" + others + ")";
}

std::size_t ResolveReceiver(std::span<const ReceiverForms> receivers, std::string_view wanted) {
  std::vector<std::size_t> named;
  for (std::size_t index = 0; index < receivers.size(); ++index) {
    const ReceiverForms& receiver = receivers[index];
    if (SameText(receiver.Unique(), wanted)) return index;
    if (SameText(receiver.names.name, wanted) || SameText(receiver.names.model, wanted))
      named.push_back(index);
  }
  if (named.size() == 1) return named.front();
  if (named.empty()) {
    std::vector<std::size_t> all(receivers.size());
    for (std::size_t index = 0; index < all.size(); ++index) all[index] = index;
    throw ReceiverNotFound("no receiver " + Quoted(wanted) + " (there are: " + Listed(receivers, all) + ")");
  }
  throw ReceiverNotFound(Quoted(wanted) + " fits " + std::to_string(named.size()) + " receivers (" +
                         Listed(receivers, named) + "): name one by its classic:N or serial number");
}

}  // namespace vocabulary
