// A TCP proxy between one member and the broker, for cutting that member's network from
// outside: cut() drops every connection through it at once (a reset, as a dead link or a
// restarted router gives) and refuses new ones (they are reset on arrival) until mend().
// It carries any stream over TCP: a page's WebSocket as well as the program's MQTT.
'use strict';

const net = require('node:net');

function proxy(targetPort) {
  const sockets = new Set();
  let open = true;
  const server = net.createServer((client) => {
    if (!open) return client.resetAndDestroy();
    const upstream = net.connect(targetPort, '127.0.0.1');
    for (const [a, b] of [[client, upstream], [upstream, client]]) {
      sockets.add(a);
      a.setNoDelay(true);
      a.pipe(b);
      a.on('error', () => b.destroy());
      a.on('close', () => {
        sockets.delete(a);
        b.destroy();
      });
    }
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    port: server.address().port,
    cut() {
      open = false;
      for (const s of sockets) s.resetAndDestroy();
    },
    mend() {
      open = true;
    },
    close() {
      this.cut();
      server.close();
    },
  })));
}

module.exports = {proxy};
