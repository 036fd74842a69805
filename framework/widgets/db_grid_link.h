// The grid's data link: every notice of the dataset goes to the grid. Private
// to the grid's implementation files.
#pragma once

#include "framework/core/data_link.h"
#include "framework/widgets/db_grid.h"

namespace vexilo::framework {

class TDBGrid::TLink : public TDataLink {
 public:
  explicit TLink(TDBGrid& grid) : FGrid(grid) {}

 protected:
  void ActiveChanged() override { FGrid.LinkActiveChanged(); }
  void DataSetChanged() override { FGrid.LinkDataSetChanged(); }
  void DataSetScrolled(int /*distance*/) override { FGrid.LinkDataSetChanged(); }
  void RecordChanged(TField* /*field*/) override { FGrid.LinkRecordChanged(); }
  void EditingChanged() override { FGrid.LinkEditingChanged(); }
  void LayoutChanged() override { FGrid.LinkLayoutChanged(); }
  void UpdateData() override { FGrid.LinkUpdateData(); }
  void CheckBrowseMode() override { FGrid.LinkUpdateData(); }

 private:
  TDBGrid& FGrid;
};

}  // namespace vexilo::framework
