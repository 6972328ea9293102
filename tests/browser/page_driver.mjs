// Opens the Web panel's page in Debian's chromium (headless) and answers
// commands read one a line from standard input:
//   pixels           -> one line: WIDTH HEIGHT and the canvas as RRGGBB per pixel
//   screenshot PATH  -> "ok" once the page is saved as a PNG
import puppeteer from "puppeteer-core";
import readline from "node:readline";

const [url, profile] = process.argv.slice(2);
const browser = await puppeteer.launch({
  executablePath: "/usr/bin/chromium",
  headless: true,
  args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         `--user-data-dir=${profile}`],
});
const page = await browser.newPage();
await page.setViewport({ width: 800, height: 300 });
await page.goto(url);
console.log("ready");

for await (const line of readline.createInterface({ input: process.stdin })) {
  const [command, argument] = line.split(" ");
  if (command === "pixels") {
    const result = await page.evaluate(() => {
      const canvas = document.getElementById("panel");
      const data = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
      let hex = "";
      for (let i = 0; i < data.length; i += 4)
        hex += ((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]).toString(16).padStart(6, "0");
      return `${canvas.width} ${canvas.height} ${hex}`;
    });
    console.log(result);
  } else if (command === "screenshot") {
    await page.screenshot({ path: argument });
    console.log("ok");
  }
}
await browser.close();
