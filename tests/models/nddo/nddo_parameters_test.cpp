// The "$nddo" data format: round trip, defaults and the stops on malformed data.
#include <cstring>

#include "models/nddo/nddo_fixture.hpp"

namespace ostrel::testing {
namespace {

// Hydrogen with every optional item left out, two "br" sets of which one is given.
const char* kMinimal =
    "$nddo model=0,5,0 ng=2 na=1,2,3\n"
    " atom=1 L=0 ne=1 nr=1 E0=52.102\n"
    " h=-11.9 ah=1.3 at=12.8 ct=0 au=0 av=0.7 ap=2.5 br=0.25 cq=0 a0=1.3 f0=-11.9\n"
    " nc=2 ac=5.0, 1.2 ec=0.1, 0.2\n$end\n";

class NddoParametersTest : public RuntimeTest {};

TEST_F(NddoParametersTest, ShippedFilesRoundTripUnchanged) {
  for (const char* model : {"mndo", "am1", "pm3"}) {
    SCOPED_TRACE(model);
    NddoParameters first, second;
    std::FILE* f = std::fopen(nddo_file(model).c_str(), "r");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(find_group(f, "nddo", 1), 0);
    captured_stdout([&] { parse_nddo_group(f, first); });
    std::fclose(f);
    const std::string text = nddo_written(first);
    nddo_parse(text, second);
    EXPECT_EQ(std::memcmp(&first, &second, sizeof first), 0);
    EXPECT_EQ(nddo_written(second), text);
    for (int z : {1, 6, 7, 8, 9, 15, 16, 17}) EXPECT_GE(first.element[z].L, 0) << z;
    EXPECT_EQ((std::vector<int>{first.element[2].L, first.element[6].nval, first.element[6].nbf}),
              (std::vector<int>{-1, 4, 4}));
  }
}

TEST_F(NddoParametersTest, OptionalItemsTakeTheirDefaults) {
  NddoParameters p;
  nddo_parse(kMinimal, p);
  const NddoElement& h = p.element[1];
  EXPECT_EQ((std::vector<int>{h.kg, h.ng, h.naux, h.model[1], h.na[2]}), (std::vector<int>{0, 2, 2, 5, 3}));
  // The missing "br" set repeats the last one.
  EXPECT_EQ((std::vector<double>{h.bh[0], h.aq[0], h.cw[0], h.bw[0], h.br[1][0], h.ac[0][1]}),
            (std::vector<double>{0.0, 0.7, 0.0, 2.0, 0.25, 1.2}));
  NddoParameters again;
  nddo_parse(nddo_written(p), again);
  EXPECT_EQ(std::memcmp(&p, &again, sizeof p), 0);
}

TEST_F(NddoParametersTest, MalformedDataStopsWithOneLine) {
  struct Case { const char *from, *to, *message; } cases[] = {
      {"atom=1", "atom=55", "atom=55 outside 1..54"},
      {"L=0 ne=1", "L=1 ne=1", "fewer ne values than L+1"},
      {"nr=1", "nr=1,2", "nr needs exactly L+1 values"},
      {"E0=", "kg=3 E0=", "kg=3 beyond ng=2"},
      {"ah=1.3", "ax=1.3", "item 'ah' expected, found 'ax'"},
      {"h=-11.9", "h=x", "number expected in item 'h'"},
      {"h=-11.9", "h=nan", "number expected in item 'h'"},
      {"L=0", "L=1e43", "integer out of range in item 'L'"},
      {"ac=5.0, 1.2", "ac=5.0", "item 'ac' needs 2 values"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::string text = kMinimal;
    text.replace(text.find(c.from), std::strlen(c.from), c.to);
    NddoParameters p;
    EXPECT_FATAL(nddo_parse(text, p), c.message);
  }
  EXPECT_FATAL(captured_stdout([] { read_nddo_parameters("/nonexistent/x.nddo", "nddo_data"); }),
               "\n file '/nonexistent/x.nddo'?\n");
}

TEST_F(NddoParametersTest, ReaderStoresTheBlock) {
  const std::string out = captured_stdout([] { read_nddo_parameters(nddo_file("pm3").c_str(), "nddo_data"); });
  EXPECT_NE(out.find(" model=0,5,0 na=0,0,0\n"), std::string::npos);
  EXPECT_NE(out.find(" H C N O F P S Cl"), std::string::npos);
  EXPECT_EQ(store_size("nddo_data"), 58520);
}

}  // namespace
}  // namespace ostrel::testing
