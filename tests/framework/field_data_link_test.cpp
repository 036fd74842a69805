// TFieldDataLink: a single-field control (a memo) bound by field name.
#include "framework/core/field_data_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/data_source.h"
#include "tests/framework/dataset_test_support.h"

namespace vexilo::framework::testing {
namespace {

// What a memo control would do with its link: show the field's text, hold
// typed text until the dataset asks for it.
struct MemoControl {
  TFieldDataLink link;
  std::u16string shown;
  std::u16string typed;
  std::vector<std::string> notices;
  int focused = 0;

  MemoControl() {
    link.OnDataChange = [this](TFieldDataLink& l) {
      shown = l.Field() != nullptr ? l.Field()->AsString() : u"";
      notices.push_back("data");
    };
    link.OnEditingChange = [this](TFieldDataLink& l) { notices.push_back(l.Editing() ? "editing" : "browsing"); };
    link.OnActiveChange = [this](TFieldDataLink& l) { notices.push_back(l.Active() ? "active" : "inactive"); };
    link.OnUpdateData = [this](TFieldDataLink& l) { l.Field()->SetAsString(typed); };
    link.OnFocusRequest = [this](TFieldDataLink&) { ++focused; };
  }

  // The user types: the control puts the dataset into edit mode first.
  bool Type(std::u16string text) {
    if (!link.Edit()) return false;
    typed = std::move(text);
    link.Modified();
    return true;
  }
};

class MemoBinding : public ::testing::Test {
 protected:
  MemoBinding()
      : dataSet({TMemoryDataSet::StandardRow(1, u"one", u"first"), TMemoryDataSet::StandardRow(2, u"two", u"second")}),
        source(&dataSet) {
    memo.link.SetFieldName(u"NOTE");
    memo.link.SetDataSource(&source);
  }

  TMemoryDataSet dataSet;
  TDataSource source;
  MemoControl memo;
};

TEST_F(MemoBinding, FindsItsFieldWhileTheDatasetIsOpenAndFollowsTheRecord) {
  EXPECT_EQ(memo.link.Field(), nullptr);
  dataSet.Open();
  EXPECT_EQ(memo.link.Field(), &dataSet.FieldByName(u"NOTE"));
  EXPECT_EQ(memo.shown, u"first");
  dataSet.Next();
  EXPECT_EQ(memo.shown, u"second");
  dataSet.Close();
  EXPECT_EQ(memo.link.Field(), nullptr);
  EXPECT_EQ(memo.shown, u"");
}

TEST_F(MemoBinding, TypingEditsTheRecordAndPostingStoresTheText) {
  dataSet.Open();
  memo.notices.clear();
  ASSERT_TRUE(memo.Type(u"typed note"));
  EXPECT_EQ(dataSet.State(), TDataSetState::dsEdit);
  EXPECT_EQ(memo.notices, (std::vector<std::string>{"editing", "data"}));
  dataSet.Post();
  EXPECT_EQ(dataSet.RowNote(0), u"typed note");
  EXPECT_FALSE(memo.link.Editing());
}

TEST_F(MemoBinding, MovingAwayPostsWhatWasTyped) {
  dataSet.Open();
  memo.Type(u"kept");
  dataSet.Next();
  EXPECT_EQ(dataSet.RowNote(0), u"kept");
  EXPECT_EQ(memo.shown, u"second");
}

TEST_F(MemoBinding, AReadOnlyLinkOrDatasetCannotStartEditing) {
  dataSet.Open();
  memo.link.SetReadOnly(true);
  EXPECT_FALSE(memo.link.CanModify());
  EXPECT_FALSE(memo.Type(u"x"));
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
  memo.link.SetReadOnly(false);
  dataSet.SetReadOnly(true);
  EXPECT_FALSE(memo.Type(u"x"));
  EXPECT_EQ(dataSet.State(), TDataSetState::dsBrowse);
}

TEST_F(MemoBinding, WithoutAutoEditTypingDoesNotStartEditing) {
  dataSet.Open();
  source.SetAutoEdit(false);
  EXPECT_FALSE(memo.Type(u"x"));
  dataSet.Edit();
  EXPECT_TRUE(memo.link.Editing());
}

TEST_F(MemoBinding, AnUnknownFieldNameLeavesTheControlEmpty) {
  memo.link.SetFieldName(u"MISSING");
  dataSet.Open();
  EXPECT_EQ(memo.link.Field(), nullptr);
  EXPECT_EQ(memo.shown, u"");
  memo.link.SetFieldName(u"NAME");
  EXPECT_EQ(memo.shown, u"one");
}

TEST_F(MemoBinding, AMissingRequiredValueAsksTheControlForTheFocus) {
  dataSet.Open();
  dataSet.FieldByName(u"NOTE").SetRequired(true);
  dataSet.Append();
  EXPECT_THROW(dataSet.Post(), EDatabaseError);
  EXPECT_EQ(memo.focused, 1);
}

}  // namespace
}  // namespace vexilo::framework::testing
