/* The server side of the transfer benchmarks: serves one file over HTTP/1.0 or FTP on 127.0.0.1
 * with sendfile(2), so that a transfer costs the server next to nothing and the time measured is
 * the client's. (A Python server measures itself: it takes longer to send than the clients to
 * receive.)
 *
 *   SendfileServer http PORT FILE    any GET is answered with FILE
 *   SendfileServer ftp PORT FILE     any login; PASV or PORT, RETR sends FILE, SIZE gives its size
 *
 * Every connection is served by a child process of its own; the server ends after 30 minutes. */
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

static const char *file_name;
static off_t file_size;

static int listen_on(int port, int *bound_port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    struct sockaddr_in a;
    socklen_t len = sizeof a;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons((unsigned short)port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, (struct sockaddr *)&a, sizeof a) != 0 || listen(fd, 16) != 0) {
        perror("SendfileServer: bind/listen");
        exit(1);
    }
    getsockname(fd, (struct sockaddr *)&a, &len);
    if (bound_port)
        *bound_port = ntohs(a.sin_port);
    return fd;
}

static void say(int fd, const char *text)
{
    size_t len = strlen(text);
    while (len > 0) {
        ssize_t n = write(fd, text, len);
        if (n <= 0)
            exit(0);
        text += n;
        len -= (size_t)n;
    }
}

static int send_file(int out)
{
    int in = open(file_name, O_RDONLY);
    off_t offset = 0;
    if (in < 0)
        return -1;
    while (offset < file_size) {
        ssize_t n = sendfile(out, in, &offset, (size_t)(file_size - offset));
        if (n <= 0)
            break;
    }
    close(in);
    return offset == file_size ? 0 : -1;
}

/* Reads one line (without its line end) of at most size - 1 bytes; 0 at the end of the stream. */
static int read_line(int fd, char *line, size_t size)
{
    size_t n = 0;
    char c;
    while (read(fd, &c, 1) == 1) {
        if (c == '\n') {
            if (n > 0 && line[n - 1] == '\r')
                --n;
            line[n] = 0;
            return 1;
        }
        if (n + 1 < size)
            line[n++] = c;
    }
    return 0;
}

static void serve_http(int fd)
{
    char line[8192], head[256];
    /* The request header ends with an empty line. */
    while (read_line(fd, line, sizeof line) && line[0] != 0)
        ;
    snprintf(head, sizeof head,
             "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: %lld\r\n\r\n",
             (long long)file_size);
    say(fd, head);
    send_file(fd);
    shutdown(fd, SHUT_WR);
    /* Wait for the client's close, so that no reset cuts the end of the body. */
    while (read(fd, line, sizeof line) > 0)
        ;
}

static void serve_ftp(int fd)
{
    char line[1024], reply[256];
    int pasv = -1;
    struct sockaddr_in port_addr;
    int have_port = 0;
    say(fd, "220 SendfileServer ready\r\n");
    while (read_line(fd, line, sizeof line)) {
        if (strncasecmp(line, "USER", 4) == 0)
            say(fd, "331 password please\r\n");
        else if (strncasecmp(line, "PASS", 4) == 0)
            say(fd, "230 logged in\r\n");
        else if (strncasecmp(line, "TYPE", 4) == 0)
            say(fd, "200 type set\r\n");
        else if (strncasecmp(line, "CWD", 3) == 0)
            say(fd, "250 ok\r\n");
        else if (strncasecmp(line, "PWD", 3) == 0)
            say(fd, "257 \"/\"\r\n");
        else if (strncasecmp(line, "SIZE", 4) == 0) {
            snprintf(reply, sizeof reply, "213 %lld\r\n", (long long)file_size);
            say(fd, reply);
        } else if (strncasecmp(line, "PASV", 4) == 0) {
            int p = 0;
            if (pasv >= 0)
                close(pasv);
            pasv = listen_on(0, &p);
            have_port = 0;
            snprintf(reply, sizeof reply, "227 Entering Passive Mode (127,0,0,1,%d,%d)\r\n", p >> 8, p & 255);
            say(fd, reply);
        } else if (strncasecmp(line, "PORT", 4) == 0) {
            unsigned h1, h2, h3, h4, p1, p2;
            if (sscanf(line + 5, "%u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6) {
                say(fd, "501 bad PORT\r\n");
                continue;
            }
            memset(&port_addr, 0, sizeof port_addr);
            port_addr.sin_family = AF_INET;
            port_addr.sin_port = htons((unsigned short)(p1 * 256 + p2));
            port_addr.sin_addr.s_addr = htonl((h1 << 24) | (h2 << 16) | (h3 << 8) | h4);
            have_port = 1;
            if (pasv >= 0) {
                close(pasv);
                pasv = -1;
            }
            say(fd, "200 PORT ok\r\n");
        } else if (strncasecmp(line, "RETR", 4) == 0) {
            int data = -1;
            if (pasv < 0 && !have_port) {
                say(fd, "425 use PASV or PORT first\r\n");
                continue;
            }
            say(fd, "150 opening data connection\r\n");
            if (pasv >= 0) {
                data = accept(pasv, NULL, NULL);
                close(pasv);
                pasv = -1;
            } else {
                data = socket(AF_INET, SOCK_STREAM, 0);
                if (connect(data, (struct sockaddr *)&port_addr, sizeof port_addr) != 0) {
                    close(data);
                    data = -1;
                }
                have_port = 0;
            }
            if (data < 0 || send_file(data) != 0) {
                if (data >= 0)
                    close(data);
                say(fd, "426 transfer failed\r\n");
                continue;
            }
            close(data);
            say(fd, "226 transfer complete\r\n");
        } else if (strncasecmp(line, "QUIT", 4) == 0) {
            say(fd, "221 bye\r\n");
            return;
        } else
            say(fd, "502 not implemented\r\n");
    }
}

int main(int argc, char **argv)
{
    struct stat st;
    int listener, http;
    if (argc != 4 || (strcmp(argv[1], "http") != 0 && strcmp(argv[1], "ftp") != 0)) {
        fprintf(stderr, "usage: SendfileServer http|ftp PORT FILE\n");
        return 2;
    }
    http = strcmp(argv[1], "http") == 0;
    file_name = argv[3];
    if (stat(file_name, &st) != 0) {
        perror(file_name);
        return 1;
    }
    file_size = st.st_size;
    signal(SIGCHLD, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
    alarm(30 * 60);
    listener = listen_on(atoi(argv[2]), NULL);
    for (;;) {
        int fd = accept(listener, NULL, NULL);
        if (fd < 0)
            continue;
        if (fork() == 0) {
            close(listener);
            if (http)
                serve_http(fd);
            else
                serve_ftp(fd);
            close(fd);
            _exit(0);
        }
        close(fd);
    }
}
