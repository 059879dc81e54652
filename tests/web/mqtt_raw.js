// Just enough MQTT 3.1.1 over TCP to ask a broker what the rooms rely on, or to flood a room.
'use strict';

const net = require('node:net');

function varint(n) {
  const out = [];
  do {
    let b = n % 128;
    n = Math.floor(n / 128);
    if (n > 0) b |= 128;
    out.push(b);
  } while (n > 0);
  return out;
}
const str = (s) => {
  const b = Buffer.from(s);
  return Buffer.concat([Buffer.from([b.length >> 8, b.length & 255]), b]);
};
const packet = (first, ...parts) => {
  const body = Buffer.concat(parts);
  return Buffer.concat([Buffer.from([first, ...varint(body.length)]), body]);
};

const packets = {
  connect: (id, user) => packet(0x10, str('MQTT'), Buffer.from([4, 0x82, 0, 60]), str(id), str(user)),
  publish: (topic, payload, retain) => packet(0x30 | (retain ? 1 : 0), str(topic), Buffer.from(payload)),
  subscribe: (filter) => packet(0x82, Buffer.from([0, 1]), str(filter), Buffer.from([0])),
  ping: () => Buffer.from([0xc0, 0]),
};

// A connection whose incoming packets go to onPacket(type, flags, body) (type 2 CONNACK,
// 3 PUBLISH, 9 SUBACK, 13 PINGRESP).
function connect(port, onPacket) {
  const socket = net.connect(port, '127.0.0.1');
  socket.on('error', () => {});  // a broker may close at once what it refuses
  let buf = Buffer.alloc(0);
  socket.on('data', (d) => {
    buf = Buffer.concat([buf, d]);
    for (;;) {
      let len = 0;
      let mul = 1;
      let i = 1;
      for (; i < buf.length; ++i) {
        len += (buf[i] & 127) * mul;
        mul *= 128;
        if (!(buf[i] & 128)) break;
      }
      if (i >= buf.length || buf.length < i + 1 + len) return;
      const first = buf[0];
      const body = buf.subarray(i + 1, i + 1 + len);
      buf = buf.subarray(i + 1 + len);
      onPacket(first >> 4, first & 15, body);
    }
  });
  return socket;
}

module.exports = {connect, packets};
