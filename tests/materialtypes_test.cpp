// Material types: the table and the material-name rule.
#include <gtest/gtest.h>

#include <string>

#include "FailReport.h"
#include "MaterialTypes.h"

namespace {

const char* const CONTEXT = "reading level of detail 1 from 'tree50.3ds'";

TEST(MaterialTypes, TableFollowsTheFamilyPattern) {
  struct Family {
    const char* word;
    int lightMat;
    bool diffuse;  // lit with diffuse shading: every family but Bright and HlfBrt
  };
  const Family families[] = {{"Bright", 7, false}, {"HlfBrt", 10, false}, {"Norm", 4, true},
                             {"LoShine", 5, true}, {"HiShine", 6, true},  {"DrkShd", 11, true},
                             {"Crcfrm", 8, true}};
  struct Variant {
    const char* prefix;
    const char* suffix;
    bool blends;
    int alphaTest;
    int sortKey;
  };
  const Variant variants[] = {{"Solid", "", false, 0, 0},
                              {"Trans", "", true, 1, 0},
                              {"Alph", "-", true, 0, 5},
                              {"Alph", "", true, 0, 10},
                              {"Alph", "+", true, 0, 15}};
  int row = 0;
  for (const Family& f : families) {
    for (const Variant& v : variants) {
      const sMatType& t = MaterialTypes[row];
      std::string name = std::string(v.prefix) + f.word + v.suffix;
      EXPECT_EQ(std::string(t.mName), name) << "row " << row;
      EXPECT_EQ(t.mLightMat, f.lightMat) << name;
      EXPECT_EQ(t.mClearFlag400, 0) << name;
      EXPECT_EQ(t.mLightCfg, 0) << name;
      int shader = v.blends ? (f.diffuse ? 3 : 2) : (f.diffuse ? 1 : 0);
      EXPECT_EQ(t.mShader, shader) << name;
      EXPECT_EQ(t.mSortKey, v.sortKey) << name;
      EXPECT_EQ(t.mAlphaTestMode, v.alphaTest) << name;
      EXPECT_EQ(t.mZBufMode, 1) << name;
      ++row;
    }
  }
  ASSERT_EQ(row, 35);
  const sMatType& gloss = MaterialTypes[35];
  EXPECT_STREQ(gloss.mName, "Gloss");
  EXPECT_EQ(gloss.mLightMat, 0);
  EXPECT_EQ(gloss.mClearFlag400, 0);
  EXPECT_EQ(gloss.mLightCfg, 1);
  EXPECT_EQ(gloss.mShader, 4);
  EXPECT_EQ(gloss.mSortKey, 0);
  EXPECT_EQ(gloss.mAlphaTestMode, 0);
  EXPECT_EQ(gloss.mZBufMode, 1);
}

struct NameCase {
  const char* name;
  int row;
  int number;
  bool sorted;
};

TEST(ParseMaterialName, AcceptedNames) {
  const NameCase cases[] = {
      {"SolidNorm", 10, 0, false},
      {"SolidNorm_roof", 10, 0, false},
      {"solidnorm2", 10, 2, false},
      {"AlphNorm+3s_glass", 14, 3, true},
      {"TransBright12", 1, 12, false},
      {"Gloss1S", 35, 1, false},
      {"AlphNorm-", 12, 0, false},
      {"GLOSS", 35, 0, false},
      {"gLoSs", 35, 0, false},
      {"ALPHHISHINE+9", 24, 9, false},
      {"AlphBright-7", 2, 7, false},
      {"AlphBright7", 3, 7, false},
      {"SolidBright04tree", 0, 4, false},
      {"SolidNorm007", 10, 7, false},
      {"SolidNorm1s", 10, 1, true},
      {"TransNorm1", 11, 1, false},
      {"SolidCrcfrm0s", 30, 0, true},
      // The sort flag follows the number; without a number there is none.
      {"Gloss_12s", 35, 0, false},
      {"SolidNorm5_s", 10, 5, false},
      {"SolidNorm2147483647s", 10, 2147483647, true},
      {"SolidNorm000000000000000042", 10, 42, false},
  };
  for (const NameCase& c : cases) {
    const sMatType* type = &MaterialTypes[0];
    int number = -1;
    bool sorted = !c.sorted;
    EXPECT_FALSE(ParseMaterialName(c.name, type, number, sorted)) << c.name;
    EXPECT_EQ(type, &MaterialTypes[c.row]) << c.name;
    EXPECT_EQ(number, c.number) << c.name;
    EXPECT_EQ(sorted, c.sorted) << c.name;
  }
}

TEST(ParseMaterialName, RejectedNames) {
  SKIP_WITHOUT_FORK();
  struct Case {
    const char* name;
    bool unknownType;  // else not in recognised format
  };
  const Case cases[] = {
      {"SolidNorm 2", true},
      {"2SolidNorm", false},
      {"_wall", false},
      {"", false},
      {"SolidNorm2147483648", false},
      {"SolidNorm99999999999999999999s", false},
      {"Solid", true},
      {"SolidNormX1", true},
      {"AlphNorm+-", true},
      {"SolidNor", true},
  };
  for (const Case& c : cases) {
    std::string message =
        std::string(c.unknownType ? "Material '" : "Material name '") + c.name +
        (c.unknownType ? "' is not of known type." : "' not in recognised format.");
    const sMatType* type = &MaterialTypes[0];
    int number;
    bool sorted;
    Problem p = ParseMaterialName(c.name, type, number, sorted);
    EXPECT_EQ(p.code, c.unknownType ? ProblemCode::MATERIAL_TYPE_UNKNOWN
                                    : ProblemCode::MATERIAL_NAME_FORMAT)
        << c.name;
    EXPECT_EQ(p.message, message);
    EXPECT_EQ(p.subject, c.name);
    EXPECT_FALSE(p.toolkitErrors) << c.name;
    EXPECT_EQ(type, nullptr) << c.name;
  }
  // The conversion reports the problem and stops.
  EXPECT_TRUE(FailsWith(
      [] {
        const sMatType* type;
        int number;
        bool sorted;
        FailOn(ParseMaterialName("2SolidNorm", type, number, sorted));
      },
      CONTEXT, "Material name '2SolidNorm' not in recognised format."));
}

}  // namespace
