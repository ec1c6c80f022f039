// SPDX-License-Identifier: MIT
// A static file server for the built page, for ./web and the browser tests.
import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import { extname, join, normalize, sep } from 'node:path';
import { pathToFileURL } from 'node:url';

const types = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

// Resolves with the listening server; port 0 picks a free one (server.address().port).
// With `cacheFor` (seconds) the browser may keep each file that long without asking,
// as many hosts allow; else it must ask every time.
export function serve(root, host = '127.0.0.1', port = 0, { cacheFor = 0 } = {}) {
  const server = createServer(async (request, response) => {
    let path;
    try {
      path = decodeURIComponent(new URL(request.url ?? '/', 'http://x').pathname);
    } catch {
      // A malformed escape is the client's fault, not a reason for the server to stop.
      response.writeHead(400).end();
      return;
    }
    const file = normalize(join(root, path.endsWith('/') ? `${path}index.html` : path));
    if (!file.startsWith(normalize(root) + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const body = await readFile(file);
      response.writeHead(200, {
        'Content-Type': types[extname(file)] ?? 'application/octet-stream',
        'Cache-Control': cacheFor ? `max-age=${cacheFor}` : 'no-cache',
      });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => resolve(server));
  });
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
  const [root, host = '127.0.0.1', port = '8080'] = process.argv.slice(2);
  try {
    await serve(root, host, Number(port));
  } catch (error) {
    const why = error.code === 'EADDRINUSE' ? 'the port is in use; ./web --port N serves on another' : error.message;
    console.error(`Cannot serve at http://${host}:${port}/: ${why}`);
    process.exit(1);
  }
  console.log(`QZB is served at http://${host}:${port}/ (Ctrl+C stops it)`);
}
