// The cache picker: the maps of a cache listed on load, a double click loading one, and what a
// damaged or closed cache does.
#include "app_test.h"
#include "support/gcf_writer.h"

namespace tarnwick::test {
namespace {

// A map of the room with two lights and nothing else.
std::vector<uint8_t> LightsMap() {
  BspBuilder map = RoomMapBuilder();
  map.SetEntities(Block({{"classname", "worldspawn"}}) +
                  Block({{"classname", "light"}, {"origin", "8 16 32"}}) +
                  Block({{"classname", "light"}, {"origin", "-8 16 32"}}));
  return map.Build();
}

class AppPicker : public AppTest {
 protected:
  // A cache of small blocks, so that each map spans many: two maps the picker offers, in an order
  // that is not alphabetical, beside items it must pass over.
  struct Cache {
    Cache() : writer(0x200) {
      const uint32_t maps = writer.AddFolder("maps");
      writer.AddFile("readme.txt", std::vector<uint8_t>(100, 'x'));
      room = writer.AddFile("zeta_room.bsp", RoomMap(), maps);
      writer.AddFile("CAPS.BSP", RoomMap(), maps);
      writer.AddFile("hidden.bsp", RoomMap(), maps, {.entry_flags = kGcfHiddenEntryFlags});
      lights = writer.AddFile("alpha_lights.bsp", LightsMap(), maps);
      writer.AddFile("zeta_room.bsp.txt", RoomMap(), maps);
    }
    std::vector<uint8_t> Build() { return writer.Build(&layout); }

    GcfWriter writer;
    GcfLayout layout;
    uint32_t room = 0, lights = 0;
  };

  void DoubleClick(int row, Qt::MouseButton button = Qt::LeftButton) {
    Click(picker_->ListBox1, row, true, button);
  }
};

TEST_F(AppPicker, ACacheListsItsMapsAndADoubleClickLoadsOne) {
  Cache cache;
  const std::string path = Write("maps.gcf", cache.Build());
  TForm1& form = Start();
  Load(path);
  EXPECT_EQ(form.bsp_file, nullptr);  // nothing is loaded until the user picks
  EXPECT_EQ(form.last_map_path, path);
  ASSERT_TRUE(picker().isVisible());
  EXPECT_EQ(picker().windowTitle().toStdString(), "SelectAFile (DoubleClick)");
  EXPECT_EQ(Items(*picker().ListBox1),
            (std::vector<std::string>{"zeta_room.bsp", "alpha_lights.bsp"}));
  EXPECT_EQ(form.gcf_item_table,
            (std::vector<int32_t>{int32_t(cache.layout.first_entry[cache.room]),
                                  int32_t(cache.layout.first_entry[cache.lights])}));

  // A single click only selects.
  Click(picker().ListBox1, 1);
  EXPECT_EQ(picker().ListBox1->ItemIndex(), 1);
  EXPECT_TRUE(picker().isVisible());
  EXPECT_EQ(form.bsp_file, nullptr);

  form.CPosXEdit->SetText("40");
  DoubleClick(1);
  EXPECT_FALSE(picker().isVisible());
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(ClassNames(), (std::vector<std::string>{"worldspawn", "light", "light"}));
  EXPECT_EQ(form.bsp_file->raw_file, LightsMap());
  EXPECT_EQ(form.camera_pos, (std::array<float, 3>{0, 0, 0}));
  EXPECT_EQ(form.EntitysComboBox->Count(), 3);
  EXPECT_FALSE(Frame(form).IsBlack());
  // The cache stays open: another map can be picked.
  EXPECT_TRUE(form.gcf.IsOpen());
  // Any button's double click picks.
  picker().show();
  picker().ListBox1->SetItemIndex(0);
  DoubleClick(0, Qt::RightButton);
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.bsp_file->raw_file, RoomMap());
  EXPECT_EQ(form.SpawnPointListBox->Count(), 3);
  // Saving writes a plain map file, which loads like any other.
  Answer(Path("from cache.bsp"));
  form.SaveButtonClick();
  Load(Path("from cache.bsp"));
  EXPECT_EQ(form.bsp_file->GetEntityCount(), kRoomEntities);
  EXPECT_EQ(Items(*picker().ListBox1),
            (std::vector<std::string>{"zeta_room.bsp", "alpha_lights.bsp"}));
  EXPECT_EQ(form.gcf_item_table.size(), 2u);
}

TEST_F(AppPicker, ListingAnotherCacheReplacesTheListAndClosingHidesAndRecordsTheBounds) {
  Cache cache;
  GcfWriter other;
  other.AddFile("b.bsp", LightsMap());
  other.AddFile("a.bsp", LightsMap());
  other.AddFile("b.bsp", RoomMap());  // names repeat
  TForm1& form = Start();
  Load(Write("maps.gcf", cache.Build()));
  Load(Write("other.gcf", other.Build()));
  EXPECT_EQ(Items(*picker().ListBox1), (std::vector<std::string>{"b.bsp", "a.bsp", "b.bsp"}));
  EXPECT_EQ(form.gcf_item_table.size(), 3u);
  DoubleClick(2);
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.bsp_file->raw_file, RoomMap());

  picker().show();
  picker().move(150, 90);
  picker().resize(300, 320);
  picker().hide();
  const QRect bounds = picker().geometry();
  EXPECT_EQ(picker_window_bounds,
            (std::array<int32_t, 4>{bounds.x(), bounds.y(), bounds.width(), bounds.height()}));
  EXPECT_EQ(bounds.size(), QSize(300, 320));
}

TEST_F(AppPicker, ACacheWithoutMapsShowsAnEmptyListAndADoubleClickOnlyHidesIt) {
  GcfWriter cache;
  cache.AddFile("readme.txt", std::vector<uint8_t>(10, 'r'));
  cache.AddFile("MAP.BSP", RoomMap());
  TForm1& form = Start();
  Load(Write("none.gcf", cache.Build()));
  ASSERT_TRUE(picker().isVisible());
  EXPECT_EQ(picker().ListBox1->Count(), 0);
  picker().ListBox1MouseDown(true);
  EXPECT_FALSE(picker().isVisible());
  EXPECT_EQ(form.bsp_file, nullptr);
}

TEST_F(AppPicker, AFileThatIsNoCacheIsReportedAndThenNothingCanBePicked) {
  Cache cache;
  TForm1& form = Start();
  Load(Write("maps.gcf", cache.Build()));
  ASSERT_EQ(picker().ListBox1->Count(), 2);
  Load(Write("fake.gcf", RoomMap()));
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox(
                                "Failed to open file\nIf steam is open close\nit and try again")});
  EXPECT_FALSE(form.gcf.IsOpen());
  // The picker still shows the old list, but the cache behind it is closed.
  EXPECT_TRUE(picker().isVisible());
  EXPECT_EQ(picker().ListBox1->Count(), 2);
  DoubleClick(0);
  EXPECT_FALSE(picker().isVisible());
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_EQ(TakeMessages(), std::vector<Message>{});

  // A missing file is no cache either; the picker is not shown.
  Load(Path("gone.gcf"));
  EXPECT_EQ(TakeMessages().size(), 1u);
  EXPECT_FALSE(picker().isVisible());
}

TEST_F(AppPicker, AMapWhoseChainBreaksOrThatIsTooLargeIsNotLoaded) {
  Cache cache;
  std::vector<uint8_t> broken = cache.Build();
  // The room's first block leads nowhere.
  SetI32(broken, cache.layout.fragmentation_map + 4 * cache.layout.blocks[cache.room][0],
         0x7FFFFFF0);
  // The lights claim more bytes than the cache holds.
  SetI32(broken, 76 + 28 * cache.layout.first_entry[cache.lights] + 8,
         static_cast<int32_t>(broken.size() + 1));
  TForm1& form = StartWith(LightsMap(), "lights.bsp");
  Load(Write("broken.gcf", broken));
  ASSERT_EQ(picker().ListBox1->Count(), 2);
  DoubleClick(0);
  EXPECT_EQ(TakeMessages(),
            std::vector<Message>{ErrorBox("GCF::ExtractItem (broken block chain)")});
  ASSERT_NE(form.bsp_file, nullptr);  // the map loaded before stays
  EXPECT_EQ(form.bsp_file->raw_file, LightsMap());
  EXPECT_FALSE(picker().isVisible());
  picker().show();
  DoubleClick(1);
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("GCF::ExtractItem (item too large)")});
  EXPECT_NE(form.bsp_file, nullptr);
}

TEST_F(AppPicker, AChainThatGoesOnIsWarnedAboutAndTheMapLoadsAnyway) {
  GcfWriter cache(0x200);
  cache.AddFile("long.bsp", RoomMap(), 0, {.chain_goes_on = true});
  TForm1& form = Start();
  Load(Write("long.gcf", cache.Build()));
  DoubleClick(0);
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("Warnning File May Be Incompleat")});
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.bsp_file->raw_file, RoomMap());
}

TEST_F(AppPicker, AnEmptyItemIsAnEmptyMap) {
  GcfWriter cache;
  cache.AddFile("empty.bsp", {});
  TForm1& form = StartWith(RoomMap());
  Load(Write("empty.gcf", cache.Build()));
  DoubleClick(0);
  EXPECT_EQ(TakeMessages(), std::vector<Message>{ErrorBox("LoadFile Error (file_size_<=0)")});
  EXPECT_EQ(form.bsp_file, nullptr);
  EXPECT_TRUE(Frame(form).IsBlack());
}

TEST_F(AppPicker, PickingInThePointEditorLeavesNoPointsOfTheOldMap) {
  Cache cache;
  TForm1& form = StartWith(RoomMap());
  ShowTab(1);
  PickEntityType(4);  // info_target, the room's last entity
  ASSERT_EQ(form.point_count, 1);
  Load(Write("maps.gcf", cache.Build()));
  DoubleClick(1);  // three entities only
  ASSERT_NE(form.bsp_file, nullptr);
  EXPECT_EQ(form.SPosXEdit->Text(), "error");
  EXPECT_FALSE(Frame(form).Has(kYellow));
  ShowTab(0);
  ShowTab(1);
  EXPECT_EQ(Items(*form.EntityListBox),
            (std::vector<std::string>{"02 (8,16,32)", "03 (-8,16,32)"}));
}

}  // namespace
}  // namespace tarnwick::test
