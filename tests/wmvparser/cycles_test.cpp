// Play, seek while playing, stop and disconnect, again and again, with the reader's threads
// and the output queues running: for ThreadSanitizer, and for hangs.
#include <gtest/gtest.h>

#include "parser_graph.h"
#include "quorbel/fixtures.h"

namespace quorbel::testing {
namespace {

TEST(Cycles, PlaySeekStopAndDisconnectRepeatedly) {
  const std::string path = SamplePath("glass_wmv1_wmav2.wmv");
  ParserGraph chain(path);
  ASSERT_EQ(chain.connected, S_OK);
  ComPtr<IPin> upstream;
  ASSERT_EQ(chain.ParserInput()->ConnectedTo(upstream.Receive()), S_OK);
  for (int round = 0; round < 4; ++round) {
    for (int n = 0; n < chain.OutputCount(); ++n) chain.In(n).Clear();
    ASSERT_EQ(chain.graph->Run(), S_OK);
    ASSERT_TRUE(chain.In(0).WaitFor([&] { return !chain.In(0).Samples().empty(); }));
    for (LONGLONG position : {150000000LL, 30000000LL, 250000000LL}) {
      ASSERT_EQ(chain.Out(round % 2).SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, 0),
                S_OK);
    }
    ASSERT_EQ(chain.graph->Pause(), S_OK);
    ASSERT_EQ(chain.graph->Run(), S_OK);
    if (round % 2 == 0) {
      ASSERT_TRUE(chain.WaitForEnd());
    }
    ASSERT_EQ(chain.graph->Stop(), S_OK);
    // Back to the start for the next round.
    LONGLONG zero = 0;
    ASSERT_EQ(chain.Out(round % 2).SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);

    // Disconnect and connect the input again: new pins, new sinks.
    chain.sinks.clear();
    upstream->Disconnect();
    ASSERT_EQ(chain.ParserInput()->Disconnect(), S_OK);
    ASSERT_EQ(chain.graph->ConnectDirect(upstream.Get(), chain.ParserInput(), nullptr), S_OK);
    chain.ConnectSinks();
  }
  ASSERT_EQ(chain.graph->Run(), S_OK);
  ASSERT_TRUE(chain.WaitForEnd());
  int n = 0;
  for (const auto& [number, packets] : DemuxAsf(path))
    EXPECT_EQ(chain.In(n++).Samples().size(), packets.size());
}

}  // namespace
}  // namespace quorbel::testing
