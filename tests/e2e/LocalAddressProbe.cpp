// Prints the local address that a UDP socket connected towards ADDRESS:PORT gets. Connecting
// a datagram socket sends nothing; it only chooses the route. The Wine end-to-end test runs
// it before any search, to prove that Wine's sockets live in the test network.

#include <cstdio>
#include <exception>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: local_address_probe ADDRESS PORT\n", stderr);
        return 2;
    }
    try {
        boost::asio::io_context io;
        boost::asio::ip::udp::socket socket(io, boost::asio::ip::udp::v4());
        const auto port = static_cast<unsigned short>(std::stoi(argv[2]));
        socket.connect({boost::asio::ip::make_address_v4(argv[1]), port});
        std::printf("%s\n", socket.local_endpoint().address().to_string().c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "local_address_probe: %s\n", error.what());
        return 1;
    }
}
