// The cache picker: the maps of a cache listed on load, a double click loading one, and what a
// damaged or closed cache does.
#include "app_test.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {

TEST_F(AppTest, TheCachePickerListsTheMapsAndADoubleClickLoadsOneOrReportsWhyNot) {
  // A cache of small blocks, so that each map spans many: two maps beside an item that is none.
  GcfWriter writer(0x200), no_maps, long_chain(0x200);
  GcfLayout layout;
  writer.AddFile("readme.txt", Bytes(100, 'x'));
  const uint32_t room = writer.AddFile("zeta_room.bsp", RoomMap());
  const uint32_t lights = writer.AddFile("alpha_lights.bsp", LightsMap());
  Bytes cache = writer.Build(&layout);
  const auto double_click = [&](int row, Qt::MouseButton button = Qt::LeftButton) {
    Click(form_->picker->ListBox1, row, true, button);
  };
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(4);  // info_target, the room's last entity
  Load(Write("maps.gcf", cache));
  EXPECT_EQ(Items(*picker_->ListBox1), (Lines{"zeta_room.bsp", "alpha_lights.bsp"}));
  Click(picker_->ListBox1, 1);  // a single click only selects
  EXPECT_TRUE(picker_->isVisible());
  double_click(1);
  EXPECT_FALSE(picker_->isVisible());
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.bsp_file->raw_file, LightsMap());
  EXPECT_EQ(form.SPosXEdit->Text(), "error");  // no point of the old map's list is left to draw
  EXPECT_FALSE(Frame(form).Has(kYellow));
  picker_->show();  // the cache stays open, and any button's double click picks
  double_click(0, Qt::RightButton);
  EXPECT_EQ(form.bsp_file->raw_file, RoomMap());

  // With nothing to select, or the cache behind the list closed, a double click only hides.
  no_maps.AddFile("readme.txt", Bytes(10, 'r'));
  Load(Write("none.gcf", no_maps.Build()));
  picker_->ListBox1MouseDown(true);
  EXPECT_FALSE(picker_->isVisible());
  Load(Write("maps.gcf", cache));
  Load(Write("fake.gcf", RoomMap()));  // no cache: the old list stays, the cache behind it closed
  EXPECT_EQ(TakeMessages(),
            Lines{"Error: Failed to open file\nIf steam is open close\nit and try again"});
  double_click(0);
  EXPECT_FALSE(picker_->isVisible());
  // The room's first block leads nowhere; the lights claim more bytes than the cache holds.
  SetI32(cache, layout.fragmentation_map + 4 * layout.blocks[room][0], 0x7FFFFFF0);
  SetI32(cache, 76 + 28 * layout.first_entry[lights] + 8, int32_t(cache.size() + 1));
  Load(Write("broken.gcf", cache));
  double_click(0);
  picker_->show();
  double_click(1);
  EXPECT_EQ(TakeMessages(), (Lines{"Error: GCF::ExtractItem (broken block chain)",
                                   "Error: GCF::ExtractItem (item too large)"}));
  EXPECT_EQ(form.bsp_file->raw_file, RoomMap());  // the map loaded before stays throughout
  long_chain.AddFile("long.bsp", LightsMap(), 0, {.chain_goes_on = true});
  Load(Write("long.gcf", long_chain.Build()));
  double_click(0);
  EXPECT_EQ(TakeMessages(), Lines{"Error: Warnning File May Be Incompleat"});
  EXPECT_EQ(form.bsp_file->raw_file, LightsMap());
}

}  // namespace tarnwick::test
