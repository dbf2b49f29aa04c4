"""An MLLP server from Debian's python3-hl7, for the JVM suite's LlpClient to talk to.

It listens on a free port of 127.0.0.1 and prints "PORT <n>" first; then, for each framed
block it reads, "BLOCK <hex of the bytes between the start block and the end block>", and
answers with the block's ACK. It ends when its standard input closes.
"""
import asyncio
import sys

import hl7
import hl7.mllp


async def serve():
    async def on_client(reader, writer):
        try:
            while True:
                block = await reader.readblock()
                print("BLOCK " + block.hex(), flush=True)
                message = hl7.parse(block.decode("utf-8"))
                writer.writemessage(message.create_ack())
                await writer.drain()
        except (asyncio.IncompleteReadError, ConnectionError):
            pass
        finally:
            writer.close()

    server = await hl7.mllp.start_hl7_server(on_client, "127.0.0.1", 0)
    port = server.sockets[0].getsockname()[1]
    print("PORT %d" % port, flush=True)
    loop = asyncio.get_running_loop()
    await loop.run_in_executor(None, sys.stdin.read)
    server.close()
    await server.wait_closed()


asyncio.run(serve())
