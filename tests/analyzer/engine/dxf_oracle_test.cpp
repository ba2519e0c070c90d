// The import compared with an independent reading of the same drawings: python3-ezdxf
// writes reference drawings and reads them back, and a small script beside this test
// applies the import's rules (turning, moving, layer byte, carried colour, lathe mapping,
// table size) to what ezdxf read. Skipped where ezdxf is not installed.
#include "analyzer/engine/dxf_import.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string Script = std::string(MRW_TEST_FIXTURES) + "/dxf_oracle.py";

// Runs a command and gives its output, or nothing when it failed.
std::optional<std::string> Output(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        out.append(buffer, n);
    if (pclose(pipe.release()) != 0)
        return std::nullopt;
    return out;
}

bool HaveEzdxf() { return std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") == 0; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

std::string FromHex(const std::string& hex)
{
    if (hex == "-")
        return {};
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

struct OracleCase {
    const char* name;
    vork::DxfImportOptions options;
};

TEST(DxfOracle, ImportMatchesEzdxfReadingOfReferenceDrawings)
{
    if (!HaveEzdxf())
        GTEST_SKIP() << "python3-ezdxf is not installed";
    testsupport::TempFolder folder;
    ASSERT_TRUE(Output("/usr/bin/python3 " + Quote(Script) + " make " + Quote(folder.path())));

    vork::DxfImportOptions turned;
    turned.rotationDegrees = 30, turned.xBase = 1, turned.yBase = 2;
    turned.xOffset = 10, turned.yOffset = -5, turned.zOffset = 0.5;
    vork::DxfImportOptions layer7;
    layer7.allLayers = false, layer7.layer = 7, layer7.startColor = 4;
    vork::DxfImportOptions named;
    named.allLayers = false, named.layer = 0; // layer "0" and every named layer
    vork::DxfImportOptions lathe = turned;
    lathe.lathe = true;
    const OracleCase cases[] = {{"plain", {}}, {"turned", turned}, {"layer 7", layer7}, {"named", named},
                                {"lathe", lathe}};

    for (const char* drawing : {"R12.DXF", "R2000.DXF"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(drawing) + " " + c.name);
            const vork::DxfImportOptions& o = c.options;
            std::ostringstream command;
            command.precision(17);
            command << "/usr/bin/python3 " << Quote(Script) << " table " << Quote(folder.file(drawing)) << ' '
                    << o.rotationDegrees << ' ' << o.xBase << ' ' << o.yBase << ' ' << o.xOffset << ' '
                    << o.yOffset << ' ' << o.zOffset << ' ' << (o.allLayers ? "all" : std::to_string(o.layer))
                    << ' ' << o.startColor << ' ' << (o.lathe ? 1 : 0);
            const auto expected = Output(command.str());
            ASSERT_TRUE(expected);

            vork::FixtureTable table;
            const vork::DxfImportResult result = vork::ImportDXFFile(folder.file(drawing), o, table);
            EXPECT_FALSE(result.failed) << result.message;

            std::istringstream rows(*expected);
            std::size_t n = 0;
            int kind = 0, number = 0, color = 0, layer = 0;
            double v[6];
            std::string text;
            while (rows >> kind >> number >> color >> layer >> v[0] >> v[1] >> v[2] >> v[3] >> v[4] >> v[5] >> text) {
                ASSERT_LT(n, vork::FixtureUsableSlots);
                const vork::TEntityRecord& e = table.Slots()[n];
                SCOPED_TRACE("slot " + std::to_string(n + 1));
                ASSERT_EQ(e.kind, kind);
                EXPECT_EQ(e.entnum, number);
                EXPECT_EQ(e.color, color);
                EXPECT_EQ(e.layer, layer);
                const double got[6] = {e.val1, e.val2, e.val3, e.val4, e.val5, e.val6};
                for (int i = 0; i < 6; ++i)
                    EXPECT_NEAR(got[i], v[i], 1e-9) << "val" << i + 1;
                EXPECT_EQ(e.text, FromHex(text));
                if (HasFailure())
                    return; // one slot tells enough
                ++n;
            }
            EXPECT_GT(n, 0u);
            EXPECT_EQ(table.Count(), n);
            EXPECT_EQ(result.tableFull, n == vork::FixtureUsableSlots);
        }
    }
}

} // namespace
