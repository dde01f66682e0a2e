#include "lightmap/face_frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/report.h"
#include "platform/test_hooks.h"
#include "tests/test_support.h"

namespace {

// Positions are an affine image of the unit rectangle, with values that float arithmetic keeps exact:
// P(s, t) = ORIGIN + s * ALONG_S + t * ALONG_T.
const Vector3 ORIGIN = {1, 2, 3};
const Vector3 ALONG_S = {4, 0, 2};
const Vector3 ALONG_T = {0, 8, -2};

Vector3 At(float s, float t) { return Add(Add(ORIGIN, ScaleVector(s, ALONG_S)), ScaleVector(t, ALONG_T)); }

// A vertex whose texture coordinates (u, v) sit at (s, t) of the rectangle.
MeshVertex Vertex(float u, float v, float s, float t) { return MeshVertex{At(s, t), {0, 0, 1}, u, v}; }

std::vector<std::string> ReportTexts(const std::vector<CapturedMessageBox>& boxes) {
  std::vector<std::string> texts;
  for (const CapturedMessageBox& box : boxes) texts.push_back(box.caption == "Report" ? box.text : "in " + box.caption);
  return texts;
}

struct LayoutCase {
  const char* what;
  float uv[3][2];  // texture coordinates as the file gives them
  float st[3][2];  // where they lie in the rectangle, which is also the expected lightmap (s, t)
};

TEST(BuildFaceFrame, SolvesTheRectangleFromEveryVertexLayout) {
  const LayoutCase cases[] = {
      {"three corners", {{0, 0}, {1, 0}, {0, 1}}, {{0, 0}, {1, 0}, {0, 1}}},
      {"two corners and an interior point", {{0, 0}, {1, 1}, {0.25f, 0.75f}}, {{0, 0}, {1, 1}, {0.25f, 0.75f}}},
      {"two corners and a u-edge point", {{0, 0}, {0, 1}, {1, 0.5f}}, {{0, 0}, {0, 1}, {1, 0.5f}}},
      {"two corners and a v-edge point", {{0, 1}, {1, 1}, {0.5f, 0}}, {{0, 1}, {1, 1}, {0.5f, 0}}},
      {"only corner (0, 0)", {{0, 0}, {1, 0.5f}, {0.5f, 1}}, {{0, 0}, {1, 0.5f}, {0.5f, 1}}},
      {"only corner (0, 1)", {{0, 1}, {0.5f, 0}, {1, 0.5f}}, {{0, 1}, {0.5f, 0}, {1, 0.5f}}},
      {"only corner (1, 1)", {{1, 1}, {0, 0.5f}, {0.5f, 0}}, {{1, 1}, {0, 0.5f}, {0.5f, 0}}},
      {"only corner (1, 0)", {{1, 0}, {0, 0.5f}, {0.5f, 1}}, {{1, 0}, {0, 0.5f}, {0.5f, 1}}},
      {"a moved and scaled rectangle", {{2, 2}, {4, 2}, {2, 6}}, {{0, 0}, {1, 0}, {0, 1}}},
      {"a rectangle of negative coordinates", {{-3, -1}, {-2.5f, -1}, {-3, 0}}, {{0, 0}, {1, 0}, {0, 1}}},
  };
  const Vector3 expected_corners[4] = {At(0, 0), At(0, 1), At(1, 1), At(1, 0)};
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    MeshVertex vertices[3];
    for (int i = 0; i < 3; ++i) vertices[i] = Vertex(c.uv[i][0], c.uv[i][1], c.st[i][0], c.st[i][1]);
    FaceFrame frame = {};
    BeginCaptureMessageBoxes();
    EXPECT_TRUE(BuildFaceFrame(frame, vertices));
    EXPECT_TRUE(EndCaptureMessageBoxes().empty());
    for (int k = 0; k < 4; ++k) ExpectVectorNear(frame.corners[k], expected_corners[k], 0);
    // The unit normal follows the face order: the winding of the (s, t) triangle gives its side.
    const float winding =
        (c.st[1][0] - c.st[0][0]) * (c.st[2][1] - c.st[0][1]) - (c.st[1][1] - c.st[0][1]) * (c.st[2][0] - c.st[0][0]);
    ExpectVectorNear(frame.normal, ScaleVector(winding > 0 ? 1.0f : -1.0f, Normalize(Cross(ALONG_S, ALONG_T))), 0);
    for (int i = 0; i < 3; ++i) {  // sides give exactly 0 or 1; the copies keep position and normal
      EXPECT_TRUE(frame.vertices[i].u == c.st[i][0] && frame.vertices[i].v == c.st[i][1]) << i;
      EXPECT_EQ(std::memcmp(&frame.vertices[i], &vertices[i], 24), 0) << i;
    }
  }
}

TEST(BuildFaceFrame, ClassifiesRectanglesWithCoincidentSides) {
  const struct {
    const char* what;
    MeshVertex vertices[3];
    Vector3 corners[4];
    float st[3][2];
  } cases[] = {
      // Every vertex is at both vmin and vmax: the last is corner (1, 1), not (1, 0), the middle one a
      // top-edge point, and corner (0, 1) comes from the diagonal pair with s = 0.5, t = 1.
      {"one row",
       {{{0, 0, 0}, {}, 0, 0}, {{1, 0, 1}, {}, 0.5f, 0}, {{2, 0, 0}, {}, 1, 0}},
       {{0, 0, 0}, {0, 0, 2}, {2, 0, 0}, {2, 0, -2}},
       {{0, 0}, {0.5f, 1}, {1, 1}}},
      // Counted as three corners, completed from the two that are there and the empty slot (1, 0).
      {"the later of two equal corners wins",
       {{{5, 5, 5}, {}, 0, 0}, {{0, 0, 0}, {}, 0, 0}, {{2, 4, 0}, {}, 1, 1}},
       {{0, 0, 0}, {2, 4, 0}, {2, 4, 0}, {0, 0, 0}},
       {{0, 0}, {0, 0}, {1, 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FaceFrame frame = {};
    BeginCaptureMessageBoxes();
    BuildFaceFrame(frame, c.vertices);
    EXPECT_TRUE(EndCaptureMessageBoxes().empty());
    for (int k = 0; k < 4; ++k) ExpectVectorNear(frame.corners[k], c.corners[k], 0);
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(frame.vertices[i].u == c.st[i][0] && frame.vertices[i].v == c.st[i][1]) << i;
  }
}

TEST(BuildFaceFrame, ReportsCoordinatesThatFitNoCase) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float filler = 1.6852366e22f;  // four bytes of 100
  {
    SCOPED_TRACE("two corners and a vertex without a number");
    const MeshVertex vertices[3] = {Vertex(0, 0, 0, 0), Vertex(1, 1, 1, 1), MeshVertex{{7, 7, 7}, {}, 0.5f, nan}};
    FaceFrame frame = {};
    BeginCaptureMessageBoxes();
    BuildFaceFrame(frame, vertices);
    EXPECT_EQ(ReportTexts(EndCaptureMessageBoxes()), (std::vector<std::string>{"hohoho", "cannot Calc"}));
    for (const Vector3& corner : frame.corners) ExpectVectorNear(corner, MakeVector(filler, filler, filler), 0);
    EXPECT_EQ(frame.vertices[2].u, 0.5f);
    EXPECT_TRUE(std::isnan(frame.vertices[2].v));
  }
  const MeshVertex lost[3] = {MeshVertex{{1, 0, 0}, {}, nan, nan}, MeshVertex{{0, 1, 0}, {}, nan, nan},
                              MeshVertex{{0, 0, 1}, {}, nan, nan}};
  {
    SCOPED_TRACE("no corner at all, each failure shown");
    FaceFrame frame = {};
    BeginCaptureMessageBoxes();
    BuildFaceFrame(frame, lost);
    EXPECT_EQ(ReportTexts(EndCaptureMessageBoxes()), (std::vector<std::string>{"hohoho", "hohoho", "hohoho", "0"}));
    for (const Vector3& corner : frame.corners) ExpectVectorNear(corner, MakeVector(0, 0, 0), 0);
  }
  {
    // As the scene's setup gates its reports and each object's lightmap build gates its own inside it.
    SCOPED_TRACE("no corner at all, through a scene's gate over two objects' gates");
    FaceFrame frame = {};
    BeginCaptureMessageBoxes();
    {
      ReportOncePerKind scene;
      for (int object = 0; object < 2; ++object) {
        ReportOncePerKind once;
        BuildFaceFrame(frame, lost);
      }
    }
    EXPECT_EQ(ReportTexts(EndCaptureMessageBoxes()), (std::vector<std::string>{"hohoho", "0"}));
  }
}

TEST(SolveCorners, FailWithTheirOwnMessageWhenNoCornerFits) {
  const Vector3 point = {1, 2, 3};
  CornerSlot corners[4] = {};
  BeginCaptureMessageBoxes();
  SolveFromTwoCorners(corners, point, 0.5f, 0.5f);
  EXPECT_EQ(ReportTexts(EndCaptureMessageBoxes()), std::vector<std::string>{"Cannot Calc"});
  for (const CornerSlot& slot : corners) EXPECT_TRUE(slot.present != 0 && slot.position.y == 1.6852366e22f);

  const PointSlot u_edge = {{1, 0, 0}, 1, 0.5f};
  const PointSlot v_edge = {{0, 1, 0}, 0.5f, 1};
  std::memset(corners, 0, sizeof(corners));
  corners[2].position = MakeVector(9, 9, 9);  // a position without its present flag counts for nothing
  BeginCaptureMessageBoxes();
  SolveFromOneCorner(corners, u_edge, v_edge);
  EXPECT_EQ(ReportTexts(EndCaptureMessageBoxes()), std::vector<std::string>{"Cannot Calc 1V"});
  for (const CornerSlot& slot : corners) EXPECT_TRUE(slot.present == 0 && slot.position.x == 0 && slot.position.z == 0);
}

}  // namespace
