#pragma once
// A shape of a kind this build cannot show yet (3D figures). It keeps the
// shape's stored record and member file byte for byte, so a page that holds
// one opens, shows everything else, and saves again without losing it. It
// stands in the page as an empty box that can be selected, moved, turned,
// scaled in proportion and deleted, as the figure itself could.
#include <string>

#include "page/SFig.h"

namespace page {

class SFigStored : public SFig {
 public:
  explicit SFigStored(int typeId) : typeId_(typeId) {}

  int GetTypeId() const override { return typeId_; }
  std::unique_ptr<SFig> Clone() const override { return std::make_unique<SFigStored>(*this); }
  // The record as read, and the member file under the object's (new) id.
  void Write(PnFile& file, int objectId) const override;
  // Reads the kind's record and its member file; a 3D figure without its
  // scene is damage.
  void Read(PnFile& file, int objectId) override;
  bool CanConvertToPicture() const override { return false; }
  // Stands in as a thin grey outline of its box.
  int GetDrawKind() const override { return kDrawKindVector; }
  bool DrawVector(platform::Image& target, const SDrawSize& size, const Prop2DVal& V, bool vectorOnly) override;
  // A 3D figure keeps its proportions: its edge handles are hidden, and it
  // has no points to edit.
  bool CanStretch() const override { return typeId_ != kFig3D; }
  std::span<SCtlp> GetHandles(const PropSCVal& P, const Prop2DVal& V, bool editing) override;
  bool CanEditPoints(const Prop2DVal& /*V*/) const override { return false; }

  const std::string& Record() const { return record_; }
  // The member file's bytes and the part of its name after the id
  // ("_.Z4T"); both empty when there is none.
  const std::string& MemberBytes() const { return memberBytes_; }
  const std::string& MemberSuffix() const { return memberSuffix_; }

 private:
  int typeId_;
  std::string record_;
  std::string memberPrefix_;  // "data"
  std::string memberSuffix_;
  std::string memberBytes_;
};

}  // namespace page
