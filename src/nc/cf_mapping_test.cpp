// Tests of CF grid-mapping attributes: what the export writes for each
// projection, that reading them back gives the same projection and angles,
// and the refusals of missing or contradictory attributes.
#include "nc/cf_mapping.h"

#include <gtest/gtest.h>

#include <map>

namespace nc {
namespace {

using Attrs = std::map<std::string, std::variant<std::string, std::vector<double>>>;

Attrs as_map(const std::vector<CfAttribute>& list) {
  Attrs m;
  for (const CfAttribute& a : list) m[a.name] = a.value;
  return m;
}

gridfile::Result<ImportedMapping> read(const Attrs& a) {
  return read_grid_mapping(
      [&](const char* n) -> std::optional<std::vector<double>> {
        const auto it = a.find(n);
        if (it == a.end() || !std::holds_alternative<std::vector<double>>(it->second)) return {};
        return std::get<std::vector<double>>(it->second);
      },
      [&](const char* n) -> std::optional<std::string> {
        const auto it = a.find(n);
        if (it == a.end() || !std::holds_alternative<std::string>(it->second)) return {};
        return std::get<std::string>(it->second);
      });
}

gridfile::Navigation nav(std::string proj, float lat1, float lon1, float lat2, float lon2, float a1,
                         float a2, float a3) {
  gridfile::Navigation n;
  n.projection = std::move(proj);
  n.nx = 10;
  n.ny = 8;
  n.lat1 = lat1;
  n.lon1 = lon1;
  n.lat2 = lat2;
  n.lon2 = lon2;
  n.angle1 = a1;
  n.angle2 = a2;
  n.angle3 = a3;
  return n;
}

std::vector<double> nums(const Attrs& a, const std::string& name) {
  return std::get<std::vector<double>>(a.at(name));
}

TEST(ExportedMapping, LambertSecantCone) {
  const auto p = mapproj::Projection::from(nav("LCC", 20, -120, 50, -60, 33, -95, 45));
  const Attrs a = as_map(grid_mapping_attributes(*p));
  EXPECT_EQ(std::get<std::string>(a.at("grid_mapping_name")), "lambert_conformal_conic");
  EXPECT_EQ(nums(a, "standard_parallel"), (std::vector<double>{33, 45}));
  EXPECT_EQ(nums(a, "longitude_of_central_meridian"), std::vector<double>{-95});
  EXPECT_EQ(nums(a, "latitude_of_projection_origin"), std::vector<double>{33});
  EXPECT_EQ(nums(a, "earth_radius"), std::vector<double>{6371200});
  EXPECT_NE(std::get<std::string>(a.at("crs_wkt")).find("Lambert"), std::string::npos);
  const auto back = read(a);
  ASSERT_TRUE(back.ok()) << back.error().text;
  EXPECT_EQ(back->projection, "LCC");
  EXPECT_EQ(back->angle1, 33.0f);
  EXPECT_EQ(back->angle2, -95.0f);
  EXPECT_EQ(back->angle3, 45.0f);
  EXPECT_TRUE(back->our_sphere);
}

TEST(ExportedMapping, TangentConeHasOneParallel) {
  const auto p = mapproj::Projection::from(nav("LCC", 20, -120, 50, -60, 25, -95, 25));
  EXPECT_EQ(nums(as_map(grid_mapping_attributes(*p)), "standard_parallel"),
            std::vector<double>{25});
  EXPECT_EQ(read(as_map(grid_mapping_attributes(*p)))->angle3, 25.0f);
}

TEST(ExportedMapping, PolarStereographicAndMercatorAndLatLon) {
  const auto sps = mapproj::Projection::from(nav("SPS", -50, 45, -50, -135, 0, 90, 0));
  ASSERT_TRUE(sps.ok()) << sps.error().text;
  const Attrs a = as_map(grid_mapping_attributes(*sps));
  EXPECT_EQ(std::get<std::string>(a.at("grid_mapping_name")), "polar_stereographic");
  EXPECT_EQ(nums(a, "latitude_of_projection_origin"), std::vector<double>{-90});
  EXPECT_EQ(nums(a, "straight_vertical_longitude_from_pole"), std::vector<double>{90});
  EXPECT_EQ(nums(a, "scale_factor_at_projection_origin"), std::vector<double>{1});
  const auto back = read(a);
  EXPECT_EQ(back->projection, "STR");
  EXPECT_EQ(back->angle1, -90.0f);
  EXPECT_EQ(back->angle2, 90.0f);

  const auto mer = mapproj::Projection::from(nav("MER", -10, 100, 10, 140, 22.5f, 120, 0));
  const Attrs m = as_map(grid_mapping_attributes(*mer));
  EXPECT_EQ(std::get<std::string>(m.at("grid_mapping_name")), "mercator");
  EXPECT_EQ(nums(m, "standard_parallel"), std::vector<double>{22.5});
  EXPECT_EQ(read(m)->angle1, 22.5f);
  EXPECT_EQ(read(m)->angle2, 120.0f);

  const auto ced = mapproj::Projection::from(nav("CED", -10, 100, 10, 140, 0, 0, 0));
  const Attrs c = as_map(grid_mapping_attributes(*ced));
  EXPECT_EQ(std::get<std::string>(c.at("grid_mapping_name")), "latitude_longitude");
  EXPECT_EQ(read(c)->projection, "CED");
}

TEST(ImportedMapping, OtherParametersOfTheSameFamily) {
  // Polar stereographic true at 60N: the same grid, another scale.
  Attrs ps{{"grid_mapping_name", "polar_stereographic"},
           {"latitude_of_projection_origin", std::vector<double>{90}},
           {"straight_vertical_longitude_from_pole", std::vector<double>{-105}},
           {"standard_parallel", std::vector<double>{60}},
           {"false_easting", std::vector<double>{1000}},
           {"semi_major_axis", std::vector<double>{6378137}},
           {"inverse_flattening", std::vector<double>{298.257223563}}};
  auto m = read(ps);
  ASSERT_TRUE(m.ok()) << m.error().text;
  EXPECT_EQ(m->projection, "STR");
  EXPECT_EQ(m->angle1, 90.0f);
  EXPECT_FALSE(m->our_sphere);
  EXPECT_NE(m->definition.find("+lat_ts=60"), std::string::npos);
  EXPECT_NE(m->definition.find("+x_0=1000"), std::string::npos);
  EXPECT_NE(m->definition.find("+rf=298.257223563"), std::string::npos);
  // Mercator by scale factor: cos(lat_ts) = k0.
  Attrs mer{{"grid_mapping_name", "mercator"},
            {"longitude_of_projection_origin", std::vector<double>{0}},
            {"scale_factor_at_projection_origin", std::vector<double>{0.5}}};
  EXPECT_NEAR(read(mer)->angle1, 60.0f, 1e-5);
  // Lambert with an origin away from the standard parallel.
  Attrs lcc{{"grid_mapping_name", "lambert_conformal_conic"},
            {"standard_parallel", std::vector<double>{25}},
            {"longitude_of_central_meridian", std::vector<double>{265}},
            {"latitude_of_projection_origin", std::vector<double>{40}},
            {"earth_radius", std::vector<double>{6371200}}};
  m = read(lcc);
  ASSERT_TRUE(m.ok()) << m.error().text;
  EXPECT_EQ(m->angle1, 25.0f);
  EXPECT_EQ(m->angle2, 265.0f);
  EXPECT_TRUE(m->our_sphere);
  EXPECT_NE(m->definition.find("+lat_0=40"), std::string::npos);
}

// Missing and contradictory attributes.
TEST(ImportedMapping, BadMetadataIsRefusedWithItsName) {
  const std::vector<double> v0{0}, v90{90}, v45{45};
  const struct {
    Attrs attrs;
    const char* expected;
  } cases[] = {
      {{}, "grid_mapping_name"},
      {{{"grid_mapping_name", "rotated_latitude_longitude"}}, "unsupported grid mapping"},
      {{{"grid_mapping_name", "transverse_mercator"}}, "unsupported grid mapping"},
      {{{"grid_mapping_name", "lambert_conformal_conic"}, {"longitude_of_central_meridian", v0}},
       "standard_parallel"},
      {{{"grid_mapping_name", "lambert_conformal_conic"}, {"standard_parallel", v45}},
       "longitude_of_central_meridian"},
      {{{"grid_mapping_name", "lambert_conformal_conic"},
        {"standard_parallel", std::vector<double>{30, 40, 50}},
        {"longitude_of_central_meridian", v0}},
       "one or two"},
      {{{"grid_mapping_name", "lambert_conformal_conic"},
        {"standard_parallel", std::vector<double>{30, -30}},
        {"longitude_of_central_meridian", v0}},
       "no cone"},
      {{{"grid_mapping_name", "lambert_conformal_conic"},
        {"standard_parallel", std::vector<double>{95}},
        {"longitude_of_central_meridian", v0}},
       "not a latitude"},
      {{{"grid_mapping_name", "polar_stereographic"},
        {"latitude_of_projection_origin", v45},
        {"straight_vertical_longitude_from_pole", v0},
        {"scale_factor_at_projection_origin", std::vector<double>{1}}},
       "not a pole"},
      {{{"grid_mapping_name", "polar_stereographic"},
        {"latitude_of_projection_origin", v90},
        {"straight_vertical_longitude_from_pole", v0},
        {"standard_parallel", std::vector<double>{60}},
        {"scale_factor_at_projection_origin", std::vector<double>{1}}},
       "not both"},
      {{{"grid_mapping_name", "polar_stereographic"},
        {"latitude_of_projection_origin", v90},
        {"straight_vertical_longitude_from_pole", v0},
        {"standard_parallel", std::vector<double>{-60}}},
       "other hemisphere"},
      {{{"grid_mapping_name", "polar_stereographic"},
        {"latitude_of_projection_origin", v90},
        {"straight_vertical_longitude_from_pole", v0}},
       "needs standard_parallel or"},
      {{{"grid_mapping_name", "polar_stereographic"}, {"latitude_of_projection_origin", v90}},
       "straight_vertical_longitude_from_pole"},
      {{{"grid_mapping_name", "mercator"},
        {"longitude_of_projection_origin", v0},
        {"standard_parallel", v0},
        {"scale_factor_at_projection_origin", std::vector<double>{1}}},
       "not both"},
      {{{"grid_mapping_name", "mercator"}}, "longitude_of_projection_origin"},
      {{{"grid_mapping_name", "latitude_longitude"},
        {"earth_radius", std::vector<double>{6371000}},
        {"semi_major_axis", std::vector<double>{6378137}}},
       "contradicts"},
      {{{"grid_mapping_name", "latitude_longitude"},
        {"semi_major_axis", std::vector<double>{6378137}},
        {"semi_minor_axis", std::vector<double>{6356752.314245}},
        {"inverse_flattening", std::vector<double>{290}}},
       "disagree"},
      {{{"grid_mapping_name", "latitude_longitude"},
        {"inverse_flattening", std::vector<double>{298.257223563}}},
       "without semi_major_axis"},
      {{{"grid_mapping_name", "latitude_longitude"},
        {"longitude_of_prime_meridian", std::vector<double>{2.337}}},
       "prime meridian"},
      {{{"grid_mapping_name", "mercator"},
        {"longitude_of_projection_origin", std::vector<double>{1, 2}}},
       "one number"},
  };
  for (const auto& c : cases) {
    const auto m = read(c.attrs);
    ASSERT_FALSE(m.ok()) << c.expected;
    EXPECT_NE(m.error().text.find(c.expected), std::string::npos)
        << "wanted \"" << c.expected << "\" in: " << m.error().text;
  }
}

TEST(LengthUnits, MetresAndKilometres) {
  EXPECT_EQ(length_units("m"), 1.0);
  EXPECT_EQ(length_units("metres"), 1.0);
  EXPECT_EQ(length_units("km"), 1000.0);
  EXPECT_FALSE(length_units("degrees").has_value());
  EXPECT_FALSE(length_units("").has_value());
}

}  // namespace
}  // namespace nc
