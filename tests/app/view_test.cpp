// What the frame shows: the drawing modes, the brush-entity faces, the lights, the entity editor's
// empty frame and the model viewer's highlight.
#include <tuple>

#include "app_test.h"

namespace tarnwick::test {
namespace {

class AppView : public AppTest {
 protected:
  // Pixels of the model viewer's translucent red, alone or over a line.
  static bool Highlight(QRgb pixel) {
    return qRed(pixel) >= 90 && qGreen(pixel) == 0 && qBlue(pixel) == 0;
  }
  int Highlighted(const Frame& frame, QRect area) { return frame.Count(Highlight, area); }
};

TEST_F(AppView, DrawingModesChooseTheMapsGeometry) {
  TForm1& form = StartWith(RoomMap());
  const QRgb white = qRgb(255, 255, 255);
  const QRgb door = qRgb(0, 128, 255);  // the door's group colour, for its outline
  Frame lines(form);
  const int white_lines = lines.Count(white);
  EXPECT_GT(white_lines, 500);
  EXPECT_TRUE(lines.Has(door));

  form.DrawModeComboBox->SetItemIndex(0);
  form.FormPaint();
  const Frame dots(form);
  EXPECT_GT(dots.Count(white), 4);
  EXPECT_LT(dots.Count(white), white_lines / 10);
  EXPECT_FALSE(dots.Has(door));

  // Lit polygons: shades of grey, no outline colours.
  form.DrawModeComboBox->SetItemIndex(2);
  form.FormPaint();
  const Frame polys(form);
  const auto grey = [](QRgb p) {
    return qRed(p) > 0 && qRed(p) == qGreen(p) && qGreen(p) == qBlue(p) && qRed(p) < 255;
  };
  EXPECT_GT(polys.Count(grey, polys.viewport()), 1000);
  EXPECT_FALSE(polys.Has(door));
  form.LightingModeComboBox->SetItemIndex(1);
  form.LightingModeComboBoxChange();
  EXPECT_NE(Frame(form).image(), polys.image());
  form.LightingModeComboBox->SetItemIndex(0);
  form.LightingModeComboBoxChange();
  EXPECT_EQ(Frame(form).image(), polys.image());

  // No mode chosen: only the markers.
  form.DrawModeComboBox->SetItemIndex(-1);
  form.FormPaint();
  const Frame none(form);
  EXPECT_FALSE(none.Has(white));
  EXPECT_TRUE(none.Has(kYellow));
  EXPECT_TRUE(none.Has(kGreen));
}

TEST_F(AppView, BrushEntityFacesAreBlendedInWhenTicked) {
  TForm1& form = StartWith(RoomMap());
  form.DrawModeComboBox->SetItemIndex(-1);
  form.FormPaint();
  Frame frame(form);
  const QRect door = frame.Project(-110, -150, -50, -70, 0);
  const auto tinted = [](QRgb p) { return qBlue(p) > 0 && qRed(p) == 0; };
  EXPECT_GT(frame.Count(tinted, door), door.width() * door.height() / 2);
  form.DrawEntitys->setChecked(false);
  EXPECT_EQ(Frame(form).Count(tinted, door), 0);
}

TEST_F(AppView, TheEntityEditorsFrameIsOnlyCleared) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(2);
  form.RenderView();
  EXPECT_TRUE(Frame(form).IsBlack());
  ShowTab(0);
  EXPECT_FALSE(Frame(form).IsBlack());
}

TEST_F(AppView, TheModelViewerHighlightsTheChosenModel) {
  TForm1& form = StartWith(RoomMap());
  ShowTab(3);
  EXPECT_EQ(Items(*form.ModelComboBox), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(form.ModelComboBox->ItemIndex(), 0);
  Frame frame(form);
  const QRect door = frame.Project(-110, -150, -50, -70, 0);
  const QRect pendulum = frame.Project(-430, -30, -370, 30, 40);
  const QRect middle = frame.Project(150, 100, 300, 300, -128);
  // Model 0 is the room: its floor lies under everything.
  EXPECT_GT(Highlighted(frame, middle), middle.width() * middle.height() / 2);
  EXPECT_TRUE(frame.Has(qRgb(255, 255, 255)));
  EXPECT_FALSE(frame.Has(kYellow));  // no spawn points here

  form.ModelComboBox->SetItemIndex(1);
  form.ModelComboBoxChange();
  frame = Frame(form);
  EXPECT_GT(Highlighted(frame, door), door.width() * door.height() / 2);
  EXPECT_EQ(Highlighted(frame, pendulum), 0);
  EXPECT_EQ(Highlighted(frame, middle), 0);

  form.ModelComboBox->SetItemIndex(2);
  form.ModelComboBoxChange();
  frame = Frame(form);
  EXPECT_EQ(Highlighted(frame, door), 0);
  EXPECT_GT(Highlighted(frame, pendulum), pendulum.width() * pendulum.height() / 2);

  // A map loaded here has its models listed but none chosen, so nothing is highlighted.
  Load(Path("test.bsp"));
  EXPECT_EQ(form.ModelComboBox->Count(), 3);
  EXPECT_EQ(form.ModelComboBox->ItemIndex(), -1);
  frame = Frame(form);
  EXPECT_EQ(frame.Count(Highlight, frame.viewport()), 0);
  EXPECT_TRUE(frame.Has(qRgb(255, 255, 255)));
}

TEST_F(AppView, TheViewportFollowsGLPanelWhenTheWindowGrows) {
  TForm1& form = StartWith(RoomMap());
  form.resize(900, 700);
  // GLPanel takes all the growth, measured from the size the window is laid out for.
  EXPECT_EQ(form.GLPanel->size(), QSize(499 + 900 - 612, 270 + 700 - 405));
  const Frame frame(form);
  for (const auto& [rgb, x, y] :
       {std::tuple{kGreen, 0.f, 0.f}, {kYellow, -300.f, 200.f}, {kBlue, 300.f, -250.f}}) {
    const QRect bounds = frame.Bounds(rgb);
    EXPECT_TRUE(bounds.adjusted(-3, -3, 3, 3).contains(frame.Project(x, y, 0))) << x << ", " << y;
  }
  // The window does not shrink below its first size.
  form.resize(300, 200);
  EXPECT_EQ(form.size(), QSize(620, 440));
}

TEST_F(AppView, CullingHidesTheFacesTurnedAway) {
  TForm1& form = StartWith(RoomMap());
  form.DrawModeComboBox->SetItemIndex(2);
  form.FormPaint();
  const QImage culled = Frame(form).image();
  form.CullingCheckBox->setChecked(false);
  const QImage both_sides = Frame(form).image();
  EXPECT_NE(both_sides, culled);
  form.CullingCheckBox->setChecked(true);
  EXPECT_EQ(Frame(form).image(), culled);
}

}  // namespace
}  // namespace tarnwick::test
