// A member of a room that floods it, as a hostile member with the link could: a raw MQTT
// client with the room id as user name sealing with node's crypto as docs/rooms.md describes.
// For MS milliseconds, thousands of sealed moves a second of a character "F" of its own mixed
// with garbage, then the largest packets the broker takes; last a move of F to (300, 300).
//   node tests/web/flooder.js LINK TCP_PORT MS    prints the number of messages sent
'use strict';

const crypto = require('node:crypto');
const raw = require('./mqtt_raw');

function roomKeys(link) {
  const secret = Buffer.from(/room=([^&]*)/.exec(link)[1], 'base64url');
  const derive = (info, n) => Buffer.from(crypto.hkdfSync('sha256', secret, Buffer.alloc(0),
      info, n));
  return {id: derive('dozero room id v1', 16).toString('hex'), key: derive('dozero room key v1', 32)};
}

function seal(key, topic, plain) {
  const nonce = crypto.randomBytes(12);
  const c = crypto.createCipheriv('aes-256-gcm', key, nonce);
  c.setAAD(Buffer.from(topic));
  return Buffer.concat([nonce, c.update(plain), c.final(), c.getAuthTag()]);
}

// A raw client with the room id as user name; resolves once the broker accepts it.
function connect(port, user) {
  return new Promise((resolve, reject) => {
    const s = raw.connect(port, (type, flags, body) => {
      if (type === 2) body[1] === 0 ? resolve(s) : reject(new Error('refused'));
    });
    s.on('close', () => reject(new Error('closed')));
    s.write(raw.packets.connect(`flood${process.pid}`, user));
  });
}

const publish = (topic, payload) => raw.packets.publish(topic, payload, true);

// A character "F" of the flooder's asking for the last slot, at (x, y).
function move(member, seq, x, y) {
  const p = Buffer.alloc(32);
  p[0] = 1;  // version
  p[1] = 1;  // a piece
  member.copy(p, 2);
  p.writeBigUInt64BE(BigInt(seq), 10);
  p[18] = 25;
  p.writeInt32BE(x, 20);
  p.writeInt32BE(y, 24);
  p[30] = 1;
  p[31] = 0x46;
  return p;
}

// Resolves to the number of messages sent.
async function flood(link, port, ms) {
  const {id, key} = roomKeys(link);
  const flooder = await connect(port, id);
  const member = crypto.randomBytes(8);
  const topic = `rooms/${id}/p/c${member.toString('hex')}-1`;
  let seq = 0;
  let sent = 0;
  const end = Date.now() + ms;
  while (Date.now() < end) {
    // The second half: the largest packets the broker takes (4096 bytes).
    const large = Date.now() > end - ms / 2;
    const batch = [];
    for (let i = 0; i < 50; ++i, ++sent) {
      if (large) batch.push(publish(topic, crypto.randomBytes(4096 - 5 - topic.length)));
      else if (i % 4 === 3) batch.push(publish(topic, crypto.randomBytes(60)));
      else batch.push(publish(topic, seal(key, topic, move(member, ++seq, seq % 500, 9))));
    }
    if (!flooder.write(Buffer.concat(batch))) await new Promise((r) => flooder.once('drain', r));
    await new Promise((r) => setTimeout(r, 5));
  }
  flooder.write(publish(topic, seal(key, topic, move(member, ++seq, 300, 300))));
  await new Promise((r) => flooder.end(r));
  return sent;
}

module.exports = {flood};

if (require.main === module) {
  const [link, port, ms] = process.argv.slice(2);
  flood(link, Number(port), Number(ms)).then((sent) => console.log(sent), (e) => {
    console.error(`flooder: ${e.message}`);
    process.exit(1);
  });
}
